#include "import/csv_export.h"

#include "records/cp1252_text.h"

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

void AppendCsvHeader(std::string& out) {
    for (int k = 0; k < kColumnCount; ++k) {
        if (k > 0) {
            out += ',';
        }
        out += kColumnNames[k];
    }
    out += "\r\n";
}

void AppendCsvRecord(std::string& out, const COtherRecord& record) {
    std::string utf8;
    for (int k = 0; k < kColumnCount; ++k) {
        if (k > 0) {
            out += ',';
        }
        utf8.clear();
        AppendCp1252AsUtf8(utf8, record.Field(k));
        AppendCsvField(out, utf8);
    }
    out += "\r\n";
}

}  // namespace yarvelin
