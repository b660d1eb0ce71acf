// Reads a feed file line by line through one large buffer, so that a million-line file costs no
// allocation per line.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace yarvelin {

class CFeedLineReader {
  public:
    enum class Status { kLine, kEnd, kError };

    explicit CFeedLineReader(std::size_t bufferSize = 1 << 20);
    ~CFeedLineReader();
    CFeedLineReader(const CFeedLineReader&) = delete;
    CFeedLineReader& operator=(const CFeedLineReader&) = delete;

    // 0 when the file is open, otherwise the errno of the failure (a folder gives EISDIR).
    int Open(const std::string& path);
    // The next line without its line break: LF ends a line, a CR right before it is dropped. The view
    // stays valid until the next call.
    Status Next(std::string_view& line);
    // errno of the failed read.
    int Error() const { return m_error; }
    // 1-based number of the line Next gave last.
    long long LineNumber() const { return m_lineNumber; }
    // Size of the open file in bytes, for sizing what is read into.
    long long FileSize() const { return m_fileSize; }

  private:
    bool Fill();

    int m_fd = -1;
    int m_error = 0;
    long long m_fileSize = 0;
    long long m_lineNumber = 0;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_capacity;
    std::size_t m_begin = 0;  // first unread byte
    std::size_t m_end = 0;    // one past the last byte read
    bool m_eof = false;
    std::string m_carry;  // a line that runs over the end of the buffer
};

}  // namespace yarvelin
