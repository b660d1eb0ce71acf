// libFuzzer target: any bytes as a feed file. Whatever the loader makes of them must write, and load back,
// unchanged (but for line breaks, which are written as blanks), and the streaming converter must give the
// same bytes as loading and writing.
#include <fcntl.h>
#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/yarvelin_app.h"
#include "feed/feed_file.h"

namespace {

using namespace yarvelin;

struct CFuzzObserver : CFeedFileObserver {
    void ShowFileError(const std::string& text) override {
        std::fprintf(stderr, "file error: %s\n", text.c_str());
        std::abort();
    }
    void ShowFormatError() override { ++formatErrors; }
    bool ConfirmUnmappable(const std::string&, const FeedEncoding&) override { return true; }
    int formatErrors = 0;
};

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "round trip broken: %s\n", what);
        std::abort();
    }
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A folder of our own for the run, removed at the end. Best on a memory file system (TMPDIR=/dev/shm),
// since the writer syncs each file it writes.
class CFolder {
  public:
    CFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "yarvelin-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        m_path = pattern;
    }
    ~CFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::string& Path() const { return m_path; }

  private:
    std::string m_path;
};

const std::string& Folder() {
    static const CFolder folder;
    return folder.Path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in = Folder() + "/in.txt";
    const std::string out = Folder() + "/out.txt";
    const std::string converted = Folder() + "/converted.txt";
    {
        std::ofstream file(in, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    CFuzzObserver observer;
    // Made once: every load that finds a line replaces the products.
    static CYarvelinApp first;
    static CYarvelinApp second;
    first.OpenFeed(in, observer);
    if (observer.formatErrors > 0) {
        return 0;  // an empty file loads nothing
    }
    CFeedDocument& doc = first.Document();
    doc.SetBasicFormat(size % 2 == 1);
    // Escapes the file announced stay announced, as convert keeps them.
    const FeedHeaderChoices choices =
        HeaderChoicesForDocument({size % 3 == 0, size % 5 == 0, size % 7 == 0, true}, doc);
    Check(WriteFeedFile(doc, out, choices, observer), "write");

    second.OpenFeed(out, observer);
    const CFeedDocument& back = second.Document();
    Check(back.Count() == doc.Count(), "product count");
    const int columns = doc.IsBasicFormat() ? kBasicColumnCount : kColumnCount;
    for (std::size_t i = 0; i < doc.Count(); ++i) {
        for (int k = 0; k < kColumnCount; ++k) {
            const std::string expected = k < columns ? FlattenLineBreaks(doc.At(i).Field(k)) : std::string();
            Check(back.At(i).Field(k) == expected, "value");
        }
    }

    // What was read back equals what was written, value for value, and the writer is a function of the
    // values: so writing it again gives the same bytes without a third file.
    const std::string written = ReadAll(out);
    Check(ConvertFeedFile(in, converted, choices, doc.IsBasicFormat(), observer), "convert");
    Check(ReadAll(converted) == written, "converted");
    return 0;
}
