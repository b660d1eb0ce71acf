// The file errors the loader and the writer report, and how the system's error codes map onto them.
#pragma once

#include <string>

namespace yarvelin {

enum class FileErrorCause {
    kFileNotFound,
    kBadPath,
    kTooManyOpenFiles,
    kAccessDenied,
    kInvalidFile,
    kDirectoryFull,
    kBadSeek,
    kHardIO,
    kSharingViolation,
    kLockViolation,
    kDiskFull,
    kEndOfFile,
    kGeneric,
    kOutOfMemory,
};

// The cause an errno value stands for. ENOENT maps to "not found"; callers that know the folder is
// missing use FileErrorCauseForOpen, which tells the two apart.
FileErrorCause FileErrorCauseFromErrno(int err);
// As above for a failed open or create of path: a missing folder is an invalid path, not a missing file.
FileErrorCause FileErrorCauseForOpen(int err, const std::string& path);
// The message for a cause, with the path filled in.
std::string FileErrorText(FileErrorCause cause, const std::string& path);

}  // namespace yarvelin
