#include "upload/ftp_texts.h"

#include <cctype>

#include "records/text_util.h"
#include "upload/ftp_client.h"

namespace yarvelin {

const char* FtpString(FtpText id) {
    switch (id) {
        case FtpText::FileLineDownload:
            return "%1 from %2";
        case FtpText::FileLineUpload:
            return "%1 to %2";
        case FtpText::UploadTitle:
            return "File Upload";
        case FtpText::DownloadTitle:
            return "File Download";
        case FtpText::Resolving:
            return "Resolving name: %1";
        case FtpText::Resolved:
            return "Resolved name to %1";
        case FtpText::Connecting:
            return "Connecting to %1";
        case FtpText::Connected:
            return "Connected to %1";
        case FtpText::GettingFileInfo:
            return "Getting file information";
        case FtpText::Retrieving:
            return "Retrieving the file";
        case FtpText::Uploading:
            return "Uploading the file";
        case FtpText::Aborting:
            return "Aborting transfer";
        case FtpText::PercentTitle:
            return "%1% of %2 Completed";
        case FtpText::TimeLeftLine:
            return "%1 (%2 copied)";
        case FtpText::Amount:
            return "%1 of %2";
        case FtpText::Bytes:
            return "%1 Bytes";
        case FtpText::KiloBytes:
            return "%1 KB";
        case FtpText::MegaBytes:
            return "%1 MB";
        case FtpText::Seconds:
            return "%1 sec";
        case FtpText::Minutes:
            return "%1 min";
        case FtpText::MinutesSeconds:
            return "%1 min %2 sec";
        case FtpText::BytesPerSecond:
            return "%1 Bytes/Sec";
        case FtpText::KiloBytesPerSecond:
            return "%1 KB/Sec";
        case FtpText::OverwriteQuestion:
            return "The file '%1' already exists.\nDo you want to replace it?";
        case FtpText::ErrorTransfer:
            return "An error occurred while attempting to transfer the file, Error:%1";
        case FtpText::ErrorConnect:
            return "An error occurred connecting to the server, Error:%1";
        case FtpText::ErrorOpenRemote:
            return "An error occurred while attempting to open the specified remote file, Error:%1";
        case FtpText::ErrorDownload:
            return "An error occurred while downloading the file, Error:%1";
        case FtpText::ErrorUpload:
            return "An error occurred while uploading the file, Error:%1";
        case FtpText::ErrorOpenLocalDownload:
            return "An error occured while opening the file to be downloaded, Error:%1";
        case FtpText::ErrorOpenLocalUpload:
            return "An error occured while opening the file to be uploaded, Error:%1";
        case FtpText::ErrorSeekLocal:
            return "An error occurred while seeking to the end of the file to be downloaded, Error:%1";
        case FtpText::ErrorResumeUnavailable:
            return "FtpCommand method (which is required to support FTP resumes) is not available on this "
                   "machine. "
                   "Please upgrade to Internet Explorer 5 or later.";
        case FtpText::ErrorResumeFailed:
            return "An error occurred while resuming the transfer, Error:%1";
        case FtpText::ErrorResumeRefused:
            return "The server reports that resume is not supported, Error:%1";
        case FtpText::RetryingPassive:
            return "Active mode failed; retrying in passive mode";
        case FtpText::PassiveNote:
            return " (passive mode: active mode failed)";
        case FtpText::CheckingSize:
            return "Checking the size of %1";
        case FtpText::Renaming:
            return "Renaming %1 to %2";
        case FtpText::ReplacedSafely:
            return "Sent as %2, size checked, renamed to %1";
        case FtpText::WrittenDirectly:
            return "Written directly to %1: the server refused the temporary file %2";
        case FtpText::WrittenDirectlyAfterRename:
            return "Written directly to %1: the server refused to rename the temporary file %2 over it";
        case FtpText::ErrorSizeMismatch:
            return "The server holds %1 bytes where %2 were sent, so the file on the server was left as it "
                   "was.";
        case FtpText::ErrorSizeUnknown:
            return "The server did not tell the size of %1, so the file on the server was left as it was.";
        case FtpText::ErrorRename:
            return "The server refused to put the uploaded file in place of %1, so the file on the server "
                   "was "
                   "left as it was, Error:%2";
        case FtpText::WriteDirectlyQuestion:
            return "The server refused to put the uploaded file in place of %1:\n%2\n\nDo you want to write "
                   "%1 directly instead? Until that upload ends, the service may read a partial file.";
        case FtpText::ErrorFolderMissing:
            return "The folder %1 does not exist on the server, so nothing was sent. Create the folder on "
                   "the server, or correct the folder in the server address.";
    }
    return "";
}

std::string FtpMessage(FtpText id, const std::string& arg1, const std::string& arg2) {
    return FormatMessage(FtpString(id), arg1, arg2);
}

std::string PartFileName(const std::string& remoteFile) {
    return remoteFile + ".part";
}

std::string FtpErrorHint(int code, const std::string& reply, long timeoutSeconds) {
    switch (code) {
        case kFtpErrorCannotConnect:
            return "The server refused the connection: check the host and the port.";
        case kFtpErrorNameNotResolved:
            return "The host name is unknown: check how the server is spelt.";
        case kFtpErrorTimeout:
            return "The server did not answer within " + std::to_string(timeoutSeconds) + " seconds.";
        case kFtpErrorLoginFailure:
            return "The server refused the sign-in: check the user name and the password (or the key file).";
        case kFtpErrorConnectionAborted:
        case kFtpErrorConnectionReset:
            return "The connection to the server broke off.";
        case kFtpErrorNotTrusted:
            return "The server's identity was not trusted, so nothing was sent to it.";
        case kFtpErrorSecureChannel:
            return "No secure connection could be made: check that the server offers this protocol on this "
                   "port.";
        case kFtpErrorExtended:
            break;
        default:
            return {};
    }
    // The server's own words are in the error text already; say what kind of refusal it is.
    if (reply.rfind("530", 0) == 0) {
        return "The server refused the sign-in with the words above: check the user name and the password.";
    }
    if (reply.rfind("55", 0) == 0 || reply.rfind("45", 0) == 0) {
        return "The server refused the file with the words above.";
    }
    if (reply.rfind("425", 0) == 0) {
        return "The server could not open the data connection.";
    }
    // SFTP has no reply codes: libcurl's wording of the server's status stands for a refusal of the file
    // (a missing folder, no permission, a full disk), as a 55x reply does over FTP.
    if (!reply.empty() && !std::isdigit(static_cast<unsigned char>(reply[0]))) {
        return "The server refused the file with the words above.";
    }
    return {};
}

std::string FormatTransferRate(double bytesPerMs) {
    if (bytesPerMs < 1.0) {
        return FtpMessage(FtpText::BytesPerSecond, Format("%0.0f", bytesPerMs * 1024));
    }
    if (bytesPerMs < 10.0) {
        return FtpMessage(FtpText::KiloBytesPerSecond, Format("%0.2f", bytesPerMs));
    }
    return FtpMessage(FtpText::KiloBytesPerSecond, Format("%0.0f", bytesPerMs));
}

std::string FormatByteSize(std::uint64_t bytes) {
    if (bytes < 1024) {
        return FtpMessage(FtpText::Bytes, Format("%d", static_cast<int>(bytes)));
    }
    if (bytes < 1048576) {
        return FtpMessage(FtpText::KiloBytes, Format("%0.1f", bytes / 1024.0));
    }
    return FtpMessage(FtpText::MegaBytes, Format("%0.2f", bytes / 1048576.0));
}

std::string FormatTimeLeft(std::uint64_t seconds) {
    if (seconds < 60) {
        return FtpMessage(FtpText::Seconds, Format("%llu", static_cast<unsigned long long>(seconds)));
    }
    const auto minutes = static_cast<unsigned long long>(seconds / 60);
    const auto rest = static_cast<unsigned long long>(seconds % 60);
    if (rest == 0) {
        return FtpMessage(FtpText::Minutes, Format("%llu", minutes));
    }
    return FtpMessage(FtpText::MinutesSeconds, Format("%llu", minutes), Format("%llu", rest));
}

std::string FormatTimeLeftLine(std::uint64_t seconds, std::uint64_t bytesSoFar, std::uint64_t size) {
    const std::string amount = FtpMessage(FtpText::Amount, FormatByteSize(bytesSoFar), FormatByteSize(size));
    return FtpMessage(FtpText::TimeLeftLine, FormatTimeLeft(seconds), amount);
}

}  // namespace yarvelin
