// A sale written as one ISO 8601 interval, as Google's sale_price_effective_date writes it:
// "2026-01-01T00:00+01:00/2026-02-01T00:00+01:00". Sales are judged by the day, in the shop's own dates.
#pragma once

#include <optional>
#include <string_view>

namespace yarvelin {

struct SaleDays {
    std::optional<long long> first;  // days since 1970-01-01; none: open
    std::optional<long long> last;   // the last day on sale, included
};

// An end at midnight ("...T00:00") ends the sale before that day. A side that is no date is open.
SaleDays ReadSalePeriod(std::string_view text);

}  // namespace yarvelin
