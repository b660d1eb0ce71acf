#include "import/sale_period.h"

#include "import/shop_import.h"
#include "records/text_util.h"

namespace yarvelin {

SaleDays ReadSalePeriod(std::string_view text) {
    text = TrimmedView(text);
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) {
        return {};
    }
    SaleDays days{ExportDay(text.substr(0, slash)), ExportDay(text.substr(slash + 1))};
    // The time of day before its zone: "00:00", "00:00:00" or "00:00:00.000" is midnight.
    const std::string_view end = TrimmedView(text.substr(slash + 1));
    const std::size_t t = end.find('T');
    if (days.last && t != std::string_view::npos) {
        const std::string_view time = end.substr(t + 1, end.find_first_of("+-Z", t) - t - 1);
        if (time.size() >= 5 && time.find_first_not_of(":0.") == std::string_view::npos) {
            --*days.last;
        }
    }
    return days;
}

}  // namespace yarvelin
