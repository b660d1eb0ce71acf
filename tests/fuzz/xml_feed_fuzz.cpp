// libFuzzer target: any bytes as a Google or Meta XML feed, read as the import reads an export and as a merge
// file. A broken document may be refused (CImportError); anything else it does must hold: every row has the
// header's number of values, no value holds a line break, rows come in document order.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "import/import_error.h"
#include "import/shop_import.h"
#include "import/xml_feed_reader.h"

namespace {

using namespace yarvelin;

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

// A folder of our own for the run, removed at the end.
class CFolder {
  public:
    CFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "yarvelin-xml-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        m_path = pattern;
        std::ofstream(m_path + "/export.csv") << "offer_id,name,price\nA,One,1.00\nB,Two,2.00\n";
    }
    ~CFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::string& Path() const { return m_path; }

  private:
    std::string m_path;
};

const CFolder& Folder() {
    static const CFolder folder;
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = Folder().Path() + "/feed.xml";
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    try {
        CXmlFeedReader reader;
        reader.Open(path);
        std::vector<std::string> cells;
        long long line = 0;
        while (reader.Next(cells)) {
            Check(cells.size() == reader.Header().size(), "a row's values and the header differ in number");
            Check(reader.RowLine() >= line, "rows out of document order");
            line = reader.RowLine();
            for (const std::string& cell : cells) {
                Check(cell.find_first_of("\r\n") == std::string::npos, "a value holds a line break");
            }
        }
    } catch (const CImportError&) {
    }
    try {
        ImportSettings settings;
        settings.map.matchFeedNames = true;
        settings.map.lenient = true;
        settings.merges.push_back({path, "id", {"price={price}", "name={title}"}, 0});
        long long products = 0;
        const ImportCounts counts = ReadShopExport(Folder().Path() + "/export.csv", settings,
                                                   [&](COtherRecord&, long long) { ++products; });
        Check(counts.merges.size() == 1, "a merge without its counts");
        const MergeCounts& m = counts.merges[0];
        Check(m.matched <= 2 && m.matched + m.unmatched + m.repeated == m.rows, "merge counts do not add up");
    } catch (const CImportError&) {
    }
    return 0;
}
