// The transfer engine's texts: its string table and the rate, size and time wordings of the progress lines.
#pragma once

#include <cstdint>
#include <string>

namespace yarvelin {

// Entries of the engine's string table. Placeholders are %1 and %2.
enum class FtpText {
    FileLineDownload,
    FileLineUpload,
    UploadTitle,
    DownloadTitle,
    Resolving,
    Resolved,
    Connecting,
    Connected,
    GettingFileInfo,
    Retrieving,
    Uploading,
    Aborting,
    PercentTitle,
    TimeLeftLine,
    Amount,
    Bytes,
    KiloBytes,
    MegaBytes,
    Seconds,
    Minutes,
    MinutesSeconds,
    BytesPerSecond,
    KiloBytesPerSecond,
    OverwriteQuestion,
    ErrorTransfer,
    ErrorConnect,
    ErrorOpenRemote,
    ErrorDownload,
    ErrorUpload,
    ErrorOpenLocalDownload,
    ErrorOpenLocalUpload,
    ErrorSeekLocal,
    ErrorResumeUnavailable,
    ErrorResumeFailed,
    ErrorResumeRefused,
    RetryingPassive,
    PassiveNote,
    // Safe replace: the upload goes to a temporary name beside the target and is renamed over it.
    CheckingSize,
    Renaming,
    ReplacedSafely,
    WrittenDirectly,
    WrittenDirectlyAfterRename,
    ErrorSizeMismatch,
    ErrorSizeUnknown,
    ErrorRename,
    WriteDirectlyQuestion,
    ErrorFolderMissing,
};

const char* FtpString(FtpText id);
// The table entry with %1 (and %2) filled in.
std::string FtpMessage(FtpText id, const std::string& arg1, const std::string& arg2 = {});

// The temporary name an upload goes to before it replaces remoteFile: "shop.txt.part", same folder.
std::string PartFileName(const std::string& remoteFile);

// A sentence a merchant understands, to follow an error text: what the code (or the server's reply) most
// likely means. Empty when there is nothing to add.
std::string FtpErrorHint(int code, const std::string& reply, long timeoutSeconds = 60);

// r bytes per millisecond: "1023 Bytes/Sec", "1.00 KB/Sec", "10 KB/Sec".
std::string FormatTransferRate(double bytesPerMs);
// "1023 Bytes", "1.0 KB", "1.00 MB".
std::string FormatByteSize(std::uint64_t bytes);
// "59 sec", "1 min", "1 min 1 sec".
std::string FormatTimeLeft(std::uint64_t seconds);
// "2 min 5 sec (1.50 MB of 3.20 MB copied)".
std::string FormatTimeLeftLine(std::uint64_t seconds, std::uint64_t bytesSoFar, std::uint64_t size);

}  // namespace yarvelin
