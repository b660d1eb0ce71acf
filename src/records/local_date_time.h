// A local calendar date and time of day, kept as its parts so that a stored value loads back unchanged
// whatever the daylight-saving rules of the day.
#pragma once

namespace yarvelin {

struct LocalDateTime {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const LocalDateTime&) const = default;
};

// The current local time of this machine.
LocalDateTime CurrentLocalDateTime();

}  // namespace yarvelin
