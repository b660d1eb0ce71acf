#include "feed/file_error.h"

#include <sys/stat.h>
#include <cerrno>

#include "records/text_util.h"

namespace yarvelin {

FileErrorCause FileErrorCauseFromErrno(int err) {
    switch (err) {
        case ENOENT:
            return FileErrorCause::kFileNotFound;
        case ENOTDIR:
        case ENAMETOOLONG:
        case ELOOP:
        case EINVAL:
        case EILSEQ:
            return FileErrorCause::kBadPath;
        case EMFILE:
        case ENFILE:
            return FileErrorCause::kTooManyOpenFiles;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case EEXIST:
            return FileErrorCause::kAccessDenied;
        case EBADF:
            return FileErrorCause::kInvalidFile;
        case EMLINK:
            return FileErrorCause::kDirectoryFull;
        case ESPIPE:
            return FileErrorCause::kBadSeek;
        case EIO:
        case ENXIO:
        case ENODEV:
            return FileErrorCause::kHardIO;
        case ETXTBSY:
        case EBUSY:
            return FileErrorCause::kSharingViolation;
        case ENOLCK:
        case EDEADLK:
            return FileErrorCause::kLockViolation;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return FileErrorCause::kDiskFull;
        case EOVERFLOW:
            return FileErrorCause::kEndOfFile;
        case ENOMEM:
            return FileErrorCause::kOutOfMemory;
        default:
            return FileErrorCause::kGeneric;
    }
}

FileErrorCause FileErrorCauseForOpen(int err, const std::string& path) {
    if (err == ENOENT) {
        const auto slash = path.find_last_of('/');
        if (slash != std::string::npos && slash > 0) {
            struct stat st {};
            const std::string folder = path.substr(0, slash);
            if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
                return FileErrorCause::kBadPath;
            }
        }
    }
    return FileErrorCauseFromErrno(err);
}

std::string FileErrorText(FileErrorCause cause, const std::string& path) {
    const char* pattern = "An unknown error occurred while accessing %1.";
    switch (cause) {
        case FileErrorCause::kFileNotFound:
            pattern = "%1 was not found.";
            break;
        case FileErrorCause::kBadPath:
            pattern = "%1 contains an invalid path.";
            break;
        case FileErrorCause::kTooManyOpenFiles:
            pattern = "%1 could not be opened because there are too many open files.";
            break;
        case FileErrorCause::kAccessDenied:
            pattern = "Access to %1 was denied.";
            break;
        case FileErrorCause::kInvalidFile:
            pattern = "An invalid file handle was associated with %1.";
            break;
        case FileErrorCause::kDirectoryFull:
            pattern = "%1 could not be created because the directory is full.";
            break;
        case FileErrorCause::kBadSeek:
            pattern = "Seek failed on %1";
            break;
        case FileErrorCause::kHardIO:
            pattern = "A hardware I/O error was reported while accessing %1.";
            break;
        case FileErrorCause::kSharingViolation:
            pattern = "A sharing violation occurred while accessing %1.";
            break;
        case FileErrorCause::kLockViolation:
            pattern = "A locking violation occurred while accessing %1.";
            break;
        case FileErrorCause::kDiskFull:
            pattern = "Disk full while accessing %1.";
            break;
        case FileErrorCause::kEndOfFile:
            pattern = "An attempt was made to access %1 past its end.";
            break;
        case FileErrorCause::kGeneric:
            break;
        case FileErrorCause::kOutOfMemory:
            return "Out of memory.";
    }
    return FormatMessage(pattern, path);
}

}  // namespace yarvelin
