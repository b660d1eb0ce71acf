#include "feed/feed_line_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace yarvelin {

CFeedLineReader::CFeedLineReader(std::size_t bufferSize) : m_capacity(bufferSize) {}

CFeedLineReader::~CFeedLineReader() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

int CFeedLineReader::Open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return err;
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return EISDIR;
    }
    m_fd = fd;
    m_fileSize = S_ISREG(st.st_mode) ? static_cast<long long>(st.st_size) : 0;
    // A small file needs no large buffer (one byte more than the file shows the end in one read).
    if (S_ISREG(st.st_mode) && static_cast<unsigned long long>(m_fileSize) < m_capacity) {
        m_capacity = std::max<std::size_t>(static_cast<std::size_t>(m_fileSize) + 1, 4096);
    }
    m_buffer.reset(new char[m_capacity]);
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
    return 0;
}

bool CFeedLineReader::Fill() {
    m_begin = 0;
    m_end = 0;
    for (;;) {
        const ssize_t n = ::read(m_fd, m_buffer.get(), m_capacity);
        if (n > 0) {
            m_end = static_cast<std::size_t>(n);
            return true;
        }
        if (n == 0) {
            m_eof = true;
            return false;
        }
        if (errno != EINTR) {
            m_error = errno;
            return false;
        }
    }
}

CFeedLineReader::Status CFeedLineReader::Next(std::string_view& line) {
    if (m_fd < 0 || m_error != 0) {
        return m_error != 0 ? Status::kError : Status::kEnd;
    }
    m_carry.clear();
    bool carrying = false;
    for (;;) {
        if (m_begin == m_end && !m_eof) {
            Fill();
            if (m_error != 0) {
                return Status::kError;
            }
        }
        if (m_begin == m_end) {
            // End of file: what was carried is the last line, which had no line break.
            if (!carrying) {
                return Status::kEnd;
            }
            line = m_carry;
            ++m_lineNumber;
            return Status::kLine;
        }
        const char* start = m_buffer.get() + m_begin;
        const std::size_t avail = m_end - m_begin;
        const void* lf = std::memchr(start, '\n', avail);
        if (lf == nullptr) {
            m_carry.append(start, avail);
            carrying = true;
            m_begin = m_end;
            continue;
        }
        const std::size_t len = static_cast<std::size_t>(static_cast<const char*>(lf) - start);
        m_begin += len + 1;
        if (carrying) {
            m_carry.append(start, len);
            line = m_carry;
        } else {
            line = std::string_view(start, len);
        }
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        ++m_lineNumber;
        return Status::kLine;
    }
}

}  // namespace yarvelin
