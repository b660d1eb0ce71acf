#include "jobs/held_products.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "app/feed_document.h"
#include "checks/feed_diagnosis.h"
#include "feed/feed_file_writer.h"
#include "records/cp1252_text.h"

namespace yarvelin {

namespace {

void AppendCsvField(std::string& out, const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
}

}  // namespace

std::string HeldFilePath(const std::string& output) {
    return output + ".held.csv";
}

HeldProducts HoldBackProductsWithErrors(CFeedDocument& doc, const FeedDiagnosis& diagnosis,
                                        const std::string& output, const std::string& heldPath) {
    HeldProducts held;
    std::vector<bool> hold(doc.Count(), false);
    for (const Diagnostic& d : diagnosis.findings) {
        if (d.row > 0 && d.row <= hold.size() && d.Severity() == DiagnosticSeverity::kError) {
            hold[d.row - 1] = true;
        }
    }
    std::string csv = "# Left out of " + std::filesystem::path(output).filename().string() +
                      " for their errors. A full upload removes these products from the service (a partial "
                      "update deletes them) until they are fixed.\n"
                      "code,severity,row,line,offer_id,column,message\n";
    for (const Diagnostic& d : diagnosis.findings) {
        if (d.row == 0 || d.row > hold.size() || !hold[d.row - 1]) {
            continue;
        }
        if (d.Severity() == DiagnosticSeverity::kError) {
            ++held.errors;
        } else if (d.Severity() == DiagnosticSeverity::kWarning) {
            ++held.warnings;
        }
        csv += std::string(DiagnosticCodeName(d.code)) + "," + SeverityName(d.Severity()) + "," +
               std::to_string(d.row) + "," + (d.line > 0 ? std::to_string(d.line) : std::string()) + ",";
        AppendCsvField(csv, Cp1252ToUtf8(d.offerId));
        csv += ",";
        csv += d.column >= 0 && d.column < kColumnCount ? kColumnNames[d.column] : "";
        csv += ",";
        AppendCsvField(csv, Cp1252ToUtf8(d.message));
        csv += "\n";
    }
    for (std::size_t i = 0; i < hold.size(); ++i) {
        if (hold[i]) {
            doc.At(i).removal_mark = true;
            ++held.products;
        }
    }
    if (held.products == 0) {
        std::error_code error;
        std::filesystem::remove(heldPath, error);
        held.written = !error;
        return held;
    }
    doc.RemoveMarkedRecords();
    held.written = WriteFileSafely(heldPath, csv);
    return held;
}

}  // namespace yarvelin
