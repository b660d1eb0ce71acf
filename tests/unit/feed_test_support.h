// Helpers shared by the feed file tests: an observer that records what it is told, and temporary files.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "feed/feed_file.h"

namespace yarvelin::test {

struct CRecordingObserver : CFeedFileObserver {
    void SetProgressRange(int lower, int upper) override { ranges.emplace_back(lower, upper); }
    void SetProgressPos(int pos) override { positions.push_back(pos); }
    void SetStatusText(const std::string& text) override { status = text; }
    void ShowFileError(const std::string& text) override { fileErrors.push_back(text); }
    void ShowFormatError() override { ++formatErrors; }
    void QuotedHeaderAdded(std::size_t values) override { quotedHeaderAddedFor = values; }

    std::vector<std::pair<int, int>> ranges;
    std::vector<int> positions;
    std::string status;
    std::vector<std::string> fileErrors;
    int formatErrors = 0;
    std::size_t quotedHeaderAddedFor = 0;
};

// A fresh folder under the system's temporary folder, removed with the object.
class CTempFolder {
  public:
    CTempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "yarvelin-feed-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~CTempFolder() {
        std::error_code ec;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    const std::string& Path() const { return m_path; }

  private:
    std::string m_path;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace yarvelin::test
