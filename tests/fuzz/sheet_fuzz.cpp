// libFuzzer target: spreadsheets. The first byte chooses the form: an .xlsx whose sheet, shared strings and
// styles are the input's parts (split at NUL bytes), an .ods whose content.xml is the input, or the input
// as the archive itself (for the zip layer). Whatever is read must be refused with a CImportError or give
// rows of the header's width; nothing else may happen.
#include <unistd.h>
#include <zip.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "import/import_error.h"
#include "import/open_export.h"

namespace {

using namespace yarvelin;

constexpr std::string_view kWorkbook =
    "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
    "<sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
constexpr std::string_view kRels =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>";

void Add(zip_t* archive, const char* name, std::string_view data) {
    zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
    if (source == nullptr || zip_file_add(archive, name, source, ZIP_FL_OVERWRITE) < 0) {
        std::abort();
    }
}

std::string Folder() {
    static const std::string folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "yarvelin-sheet-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        return pattern;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::string path = Folder() + "/in";
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::filesystem::remove(path);
    if (data[0] % 3 == 2) {
        std::ofstream(path, std::ios::binary).write(input.data(), static_cast<std::streamsize>(input.size()));
    } else {
        int err = 0;
        zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
        if (archive == nullptr) {
            std::abort();
        }
        std::vector<std::string_view> parts;
        for (std::size_t start = 0;;) {
            const std::size_t end = input.find('\0', start);
            parts.push_back(input.substr(start, end == std::string_view::npos ? end : end - start));
            if (end == std::string_view::npos) {
                break;
            }
            start = end + 1;
        }
        if (data[0] % 3 == 0) {
            Add(archive, "[Content_Types].xml", "<Types>spreadsheetml</Types>");
            Add(archive, "xl/workbook.xml", kWorkbook);
            Add(archive, "xl/_rels/workbook.xml.rels", kRels);
            Add(archive, "xl/worksheets/sheet1.xml", parts[0]);
            if (parts.size() > 1) {
                Add(archive, "xl/sharedStrings.xml", parts[1]);
            }
            if (parts.size() > 2) {
                Add(archive, "xl/styles.xml", parts[2]);
            }
        } else {
            Add(archive, "mimetype", "application/vnd.oasis.opendocument.spreadsheet");
            Add(archive, "content.xml", input);
        }
        if (zip_close(archive) != 0) {
            std::abort();
        }
    }
    try {
        const auto rows = OpenExport(path);
        std::vector<std::string> cells;
        while (rows->Next(cells)) {
            if (cells.size() != rows->Header().size()) {
                std::fprintf(stderr, "a row of %zu values under %zu columns\n", cells.size(),
                             rows->Header().size());
                std::abort();
            }
        }
    } catch (const CImportError&) {
    }
    return 0;
}
