#include "records/csv_field.h"

namespace yarvelin {

void AppendCsvField(std::string& out, std::string_view utf8) {
    const bool quote = utf8.find_first_of(",\"\r\n") != std::string_view::npos ||
                       (!utf8.empty() && (utf8.front() == ' ' || utf8.back() == ' ' || utf8.front() == '\t' ||
                                          utf8.back() == '\t'));
    if (!quote) {
        out += utf8;
        return;
    }
    out += '"';
    for (char c : utf8) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
}

}  // namespace yarvelin
