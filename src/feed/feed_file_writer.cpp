#include "feed/feed_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "feed/feed_file_observer.h"
#include "feed/file_error.h"
#include "feed/temporary_files.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {
std::atomic<unsigned> g_tempCounter{0};
constexpr long long kWriteBackChunk = 8 << 20;

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}
}  // namespace

CFeedFileWriter::CFeedFileWriter(CFeedFileObserver& observer, std::size_t bufferSize)
    : m_observer(observer), m_bufferSize(bufferSize) {}

CFeedFileWriter::~CFeedFileWriter() {
    Abort();
}

bool CFeedFileWriter::Fail(int err, bool writing) {
    m_failed = true;
    Abort();
    // Any failed write reads as a full disk, as the user knows it; other failures say what happened.
    const FileErrorCause cause = err == ENOMEM ? FileErrorCause::kOutOfMemory
                                 : writing     ? FileErrorCause::kDiskFull
                                               : FileErrorCauseForOpen(err, m_path);
    errno = err;  // the cause, for an observer that wants it rather than the text
    m_observer.ShowFileError(FileErrorText(cause, m_path));
    return false;
}

bool CFeedFileWriter::Open(const std::string& path) {
    m_path = path;
    m_target = path;
    struct stat st {};
    bool exists = false;
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Replace the file the link points to, not the link itself.
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) {
            m_target = resolved;
        }
    }
    if (::stat(m_target.c_str(), &st) == 0) {
        exists = true;
        if (S_ISDIR(st.st_mode)) {
            return Fail(EISDIR, false);
        }
        // A read-only file stays protected although its folder would let us replace it.
        if (::access(m_target.c_str(), W_OK) != 0) {
            return Fail(errno, false);
        }
    } else if (errno != ENOENT) {
        return Fail(errno, false);
    }
    const std::string folder = FolderOf(m_target);
    // Short enough that the temporary name stays within the longest name a folder allows.
    const std::string base = m_target.substr(m_target.find_last_of('/') + 1).substr(0, 200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_tempPath = Format("%s/.%s.%d.%u.tmp", folder.c_str(), base.c_str(), static_cast<int>(::getpid()),
                            g_tempCounter.fetch_add(1));
        m_fd = ::open(m_tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0 || errno != EEXIST) {
            break;
        }
    }
    if (m_fd < 0) {
        const int err = errno;
        m_tempPath.clear();
        // The folder decides whether the file can be created; the report names the user's file.
        return Fail(err, false);
    }
    NoteTemporaryFile(m_tempPath);
    if (exists) {
        // Keep the owner and permissions the file had, as far as we may.
        (void)::fchown(m_fd, st.st_uid, st.st_gid);
        (void)::fchmod(m_fd, st.st_mode & 07777);
    }
    // Grows to the flush size only for a file that needs it.
    m_buffer.reserve(std::min<std::size_t>(m_bufferSize, 64 << 10));
    return true;
}

bool CFeedFileWriter::Flush() {
    if (m_failed || m_fd < 0) {
        return false;
    }
    const char* p = m_buffer.data();
    std::size_t left = m_buffer.size();
    while (left > 0) {
        const ssize_t n = ::write(m_fd, p, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail(errno, true);
        }
        if (n == 0) {
            return Fail(ENOSPC, true);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
        m_written += n;
    }
    m_buffer.clear();
#ifdef SYNC_FILE_RANGE_WRITE
    // Start writing back what is buffered while we go on, so that the sync before the rename has little
    // left to wait for.
    if (m_written - m_writeBackStart >= kWriteBackChunk) {
        (void)::sync_file_range(m_fd, m_writeBackStart, m_written - m_writeBackStart, SYNC_FILE_RANGE_WRITE);
        m_writeBackStart = m_written;
    }
#endif
    return true;
}

bool CFeedFileWriter::Commit() {
    if (m_failed || m_fd < 0) {
        return false;
    }
    if (!Flush()) {
        return false;
    }
    // On disk before the rename, so that a crash leaves either the old file or the whole new one.
    if (::fdatasync(m_fd) != 0 && errno != EINVAL && errno != EROFS) {
        return Fail(errno, true);
    }
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        return Fail(errno, true);
    }
    if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0) {
        return Fail(errno, false);
    }
    ForgetTemporaryFile(m_tempPath);
    m_tempPath.clear();
    return true;
}

void CFeedFileWriter::Abort() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_tempPath.empty()) {
        ::unlink(m_tempPath.c_str());
        ForgetTemporaryFile(m_tempPath);
        m_tempPath.clear();
    }
    m_buffer.clear();
}

bool WriteFileSafely(const std::string& path, std::string_view text, int* error) {
    // The writer reports through an observer; this caller wants the cause, which the failed call left.
    struct CErrnoObserver : CQuietFeedFileObserver {
        void ShowFileError(const std::string& /*text*/) override { err = errno; }
        int err = 0;
    } observer;
    CFeedFileWriter writer(observer);
    if (writer.Open(path)) {
        writer.Buffer().assign(text);
        if (writer.Commit()) {
            return true;
        }
    }
    if (error != nullptr) {
        *error = observer.err != 0 ? observer.err : EIO;
    }
    return false;
}

}  // namespace yarvelin
