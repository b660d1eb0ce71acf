#include "import/open_export.h"

#include <fstream>

#include "import/csv_reader.h"
#include "import/import_error.h"
#include "import/ods_reader.h"
#include "import/xlsx_reader.h"
#include "import/xml_feed_reader.h"
#include "import/zip_archive.h"

namespace yarvelin {

namespace {

constexpr std::string_view kOdsMimeType = "application/vnd.oasis.opendocument.spreadsheet";

[[noreturn]] void Refuse(const std::string& what) {
    throw CImportError(CImportError::Kind::kInput, 0, what);
}

}  // namespace

ExportKind DetectExportKind(const std::string& path) {
    char magic[8] = {};
    {
        std::ifstream in(path, std::ios::binary);
        in.read(magic, sizeof magic);
    }
    const std::string_view first(magic, sizeof magic);
    if (first == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
        Refuse("the file is an Excel 97-2003 workbook (.xls): save it as .xlsx, .ods or CSV");
    }
    if (first.substr(0, 4) != std::string_view("PK\x03\x04", 4)) {
        // An XML feed (Google, Meta) begins with its markup, perhaps after a byte-order mark.
        const std::size_t start = first.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
        const std::size_t markup = first.find_first_not_of(" \t\r\n", start);
        return markup != std::string_view::npos && first[markup] == '<' ? ExportKind::kXml : ExportKind::kCsv;
    }
    CZipArchive archive;
    archive.Open(path);
    // An OpenDocument file names its kind in its first entry; an Office Open XML file in its content
    // types.
    if (archive.Has("mimetype")) {
        const std::string type = archive.ReadSmallEntry("mimetype", 200);
        if (type == kOdsMimeType) {
            return ExportKind::kOds;
        }
        Refuse("the file is an OpenDocument file of another kind (" + type + "), no spreadsheet");
    }
    if (archive.Has("[Content_Types].xml")) {
        const std::string types = archive.ReadSmallEntry("[Content_Types].xml", 1 << 20);
        if (types.find("spreadsheetml") != std::string::npos || archive.Has("xl/workbook.xml")) {
            return ExportKind::kXlsx;
        }
        Refuse("the file is an Office document of another kind, no spreadsheet (.xlsx)");
    }
    Refuse("the file is a zip archive, but no spreadsheet (.xlsx or .ods) and no CSV export");
}

std::unique_ptr<ExportRowSource> OpenExport(const std::string& path, char separator,
                                            const std::string& sheet) {
    switch (DetectExportKind(path)) {
        case ExportKind::kXlsx: {
            auto reader = std::make_unique<CXlsxReader>();
            reader->Open(path, sheet);
            return reader;
        }
        case ExportKind::kOds: {
            auto reader = std::make_unique<COdsReader>();
            reader->Open(path, sheet);
            return reader;
        }
        case ExportKind::kXml: {
            auto reader = std::make_unique<CXmlFeedReader>();
            reader->Open(path);
            return reader;
        }
        case ExportKind::kCsv:
            break;
    }
    auto reader = std::make_unique<CCsvReader>();
    reader->Open(path, separator);
    return reader;
}

}  // namespace yarvelin
