// Writes a feed file so that an existing file is only ever replaced by a complete new one: the lines go
// to a temporary file in the same folder, which is renamed over the target once everything is on disk.
#pragma once

#include <string>
#include <string_view>

namespace yarvelin {

class CFeedFileObserver;

class CFeedFileWriter {
  public:
    explicit CFeedFileWriter(CFeedFileObserver& observer, std::size_t bufferSize = 1 << 20);
    // Discards the temporary file unless Commit succeeded.
    ~CFeedFileWriter();
    CFeedFileWriter(const CFeedFileWriter&) = delete;
    CFeedFileWriter& operator=(const CFeedFileWriter&) = delete;

    // Creates the temporary file beside path; reports the error and gives false when it cannot.
    bool Open(const std::string& path);
    // The buffer that lines are appended to; Flush writes it out when it has grown large.
    std::string& Buffer() { return m_buffer; }
    bool FlushIfFull() { return m_buffer.size() < m_bufferSize || Flush(); }
    // Writes everything, syncs and renames over the target. Reports and gives false on failure, leaving
    // any earlier file at path as it was.
    bool Commit();
    // Gives up: the temporary file goes, the target stays as it was.
    void Abort();

  private:
    bool Flush();
    bool Fail(int err, bool writing);

    CFeedFileObserver& m_observer;
    std::size_t m_bufferSize;
    std::string m_buffer;
    std::string m_path;    // what the user named
    std::string m_target;  // what gets replaced (the file a symbolic link points to)
    std::string m_tempPath;
    int m_fd = -1;
    long long m_written = 0;
    long long m_writeBackStart = 0;
    bool m_failed = false;
};

// The whole of text into the file at path, the same safe way (a small file a person may edit: a job, a map,
// a report). False (with the errno in error, when given) when it could not be written; an earlier file at
// path is then as it was.
bool WriteFileSafely(const std::string& path, std::string_view text, int* error = nullptr);

}  // namespace yarvelin
