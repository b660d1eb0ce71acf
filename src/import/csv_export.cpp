#include "import/csv_export.h"

#include "records/cp1252_text.h"

namespace yarvelin {

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
