#include "upload/local_transfer_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace yarvelin {

namespace {
constexpr std::size_t kReadAhead = 64 * 1024;
}  // namespace

bool CLocalTransferFile::Exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool CLocalTransferFile::OpenForDownload(const std::string& path) {
    Close();
    m_path = path;
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0) {
        m_error = errno;
        return false;
    }
    // Other programs that honour locks keep out while the file is being written.
    ::flock(m_fd, LOCK_EX | LOCK_NB);
    return true;
}

bool CLocalTransferFile::OpenForUpload(const std::string& path) {
    Close();
    m_path = path;
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        m_error = errno;
        return false;
    }
    struct stat st {};
    if (::fstat(m_fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(m_fd);
        m_fd = -1;
        m_error = EISDIR;
        return false;
    }
    ::flock(m_fd, LOCK_SH | LOCK_NB);
    return true;
}

bool CLocalTransferFile::TruncateAt(std::uint64_t offset) {
    if (::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0 ||
        ::ftruncate(m_fd, static_cast<off_t>(offset)) != 0) {
        m_error = errno;
        return false;
    }
    return true;
}

bool CLocalTransferFile::SeekTo(std::uint64_t offset) {
    m_readAhead.clear();
    m_readPos = 0;
    if (::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0) {
        m_error = errno;
        return false;
    }
    return true;
}

std::uint64_t CLocalTransferFile::Length() const {
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) {
        return 0;
    }
    return static_cast<std::uint64_t>(st.st_size);
}

bool CLocalTransferFile::Read(char* buffer, std::size_t size, std::size_t& read) {
    read = 0;
    if (m_readPos == m_readAhead.size()) {
        m_readAhead.resize(kReadAhead);
        m_readPos = 0;
        for (;;) {
            const ssize_t n = ::read(m_fd, m_readAhead.data(), m_readAhead.size());
            if (n >= 0) {
                m_readAhead.resize(static_cast<std::size_t>(n));
                break;
            }
            if (errno != EINTR) {
                m_readAhead.clear();
                m_error = errno;
                return false;
            }
        }
    }
    read = std::min(size, m_readAhead.size() - m_readPos);
    std::memcpy(buffer, m_readAhead.data() + m_readPos, read);
    m_readPos += read;
    return true;
}

bool CLocalTransferFile::Write(const char* buffer, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(m_fd, buffer, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            m_error = errno;
            return false;
        }
        buffer += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void CLocalTransferFile::Close() {
    m_readAhead.clear();
    m_readPos = 0;
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void CLocalTransferFile::CloseAndDelete() {
    Close();
    if (!m_path.empty()) {
        ::unlink(m_path.c_str());
    }
}

}  // namespace yarvelin
