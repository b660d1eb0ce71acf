// A zip archive read one entry at a time, as spreadsheets are stored, with the limits that keep a hostile
// archive (a "zip bomb") from filling memory or disk time: entries, inflated bytes and the ratio of
// inflated to stored bytes are checked while the entries are read, not only as the archive declares them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct zip;
struct zip_file;

namespace yarvelin {

class CZipArchive {
  public:
    static constexpr std::int64_t kMaxEntries = 10000;
    static constexpr std::uint64_t kMaxInflated = 1ull << 30;  // 1 GiB, over every entry read
    // Deflate gives at most about 1:1030; real sheets stay far below 1:100.
    static constexpr std::uint64_t kMaxRatio = 400;
    static constexpr std::uint64_t kRatioFrom = 16ull << 20;  // small archives may compress well

    CZipArchive() = default;
    ~CZipArchive();
    CZipArchive(const CZipArchive&) = delete;
    CZipArchive& operator=(const CZipArchive&) = delete;

    // Throws CImportError: no zip archive, or one past the limits by what it declares.
    void Open(const std::string& path);
    bool Has(const std::string& name) const;
    // Makes name the entry Read reads; throws CImportError when it is missing or cannot be inflated.
    void OpenEntry(const std::string& name);
    // Up to size inflated bytes of the open entry, 0 at its end. Throws CImportError for a broken entry
    // or one that passes the limits.
    std::size_t Read(char* buffer, std::size_t size);
    void CloseEntry();
    const std::string& EntryName() const { return m_entryName; }
    // The whole entry, for the small ones (mimetype).
    std::string ReadSmallEntry(const std::string& name, std::size_t limit);

  private:
    [[noreturn]] void Fail(const std::string& what) const;

    zip* m_zip = nullptr;
    zip_file* m_entry = nullptr;
    std::string m_entryName;
    std::uint64_t m_fileSize = 0;
    std::uint64_t m_inflated = 0;
};

}  // namespace yarvelin
