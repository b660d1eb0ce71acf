// The local end of a transfer: a plain file read or written in chunks, with the system's error codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace yarvelin {

class CLocalTransferFile {
  public:
    CLocalTransferFile() = default;
    CLocalTransferFile(const CLocalTransferFile&) = delete;
    CLocalTransferFile& operator=(const CLocalTransferFile&) = delete;
    ~CLocalTransferFile() { Close(); }

    static bool Exists(const std::string& path);
    // Opens for writing: created when missing, kept as it is otherwise. False with LastError() on failure.
    bool OpenForDownload(const std::string& path);
    bool OpenForUpload(const std::string& path);
    // Moves to offset and cuts the file there.
    bool TruncateAt(std::uint64_t offset);
    // Moves the read position (an upload that resumes).
    bool SeekTo(std::uint64_t offset);
    std::uint64_t Length() const;
    // Reads up to size bytes; 0 at the end. False on a read error.
    bool Read(char* buffer, std::size_t size, std::size_t& read);
    bool Write(const char* buffer, std::size_t size);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    // Closes the file and deletes it.
    void CloseAndDelete();

    // The system error code (errno) of the last failure.
    int LastError() const { return m_error; }
    const std::string& Path() const { return m_path; }

  private:
    // Reads are served from a block read ahead, so 1024-byte chunks do not cost a system call each.
    std::vector<char> m_readAhead;
    std::size_t m_readPos = 0;
    int m_fd = -1;
    int m_error = 0;
    std::string m_path;
};

}  // namespace yarvelin
