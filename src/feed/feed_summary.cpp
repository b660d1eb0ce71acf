#include "feed/feed_summary.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/feed_document.h"
#include "checks/offer_id_index.h"
#include "records/text_util.h"

namespace yarvelin {

std::string SummaryFileName(const std::string& path) {
    if (path.empty()) {
        return "Untitled";
    }
    const auto sep = path.find_last_of("\\/:");
    const std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
    std::size_t chars = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        // A UTF-8 continuation byte belongs to the character before it.
        if ((static_cast<unsigned char>(name[i]) & 0xC0) != 0x80 && chars++ == kSummaryFileNameLength) {
            return name.substr(0, i);
        }
    }
    return name;
}

std::string FormatSummaryFileSize(long long bytes) {
    if (bytes <= kBytesShownInBytes) {
        return Format("%lld BYTES", bytes);
    }
    return Format("%lld KB", bytes / kBytesPerKilobyte);
}

std::optional<std::string> SummaryFileSize(const std::string& path) {
    if (path.empty()) {
        return "0 BYTES";
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    ::close(fd);
    if (!ok) {
        return std::nullopt;
    }
    return FormatSummaryFileSize(static_cast<long long>(st.st_size));
}

std::vector<std::pair<std::string, std::string>> BuildSummaryRows(const CFeedDocument& doc,
                                                                  bool fullFileUpdate,
                                                                  const std::string& previousSize) {
    std::size_t productUrls = 0;
    std::size_t imageUrls = 0;
    std::size_t marked = 0;
    for (const COtherRecord& r : doc.Records()) {
        productUrls += r.product_url_ok ? 1 : 0;
        imageUrls += r.image_url_ok ? 1 : 0;
        marked += r.Field(kColDelete).empty() ? 0 : 1;
    }
    const std::string verified = doc.IsDataVerified() ? "Verified" : "Un-verified";
    return {
        {"Quorvin Account: ", doc.Account()},
        {"Feed Update Type:", fullFileUpdate ? "FULL-FILE" : "PARTIAL-UPDATE"},
        {"File Name: ", SummaryFileName(doc.FileName())},
        {"File Size: ", SummaryFileSize(doc.FileName()).value_or(previousSize)},
        {"Product Type: ", "OTHERS (Generic Product)"},
        {"Number of Products: ", Format("%zu", doc.Count())},
        {"Product URL:", Format("%zu verified", productUrls)},
        {"Image URL: ", Format("%zu verified", imageUrls)},
        {"Offer IDs: ", OfferIdCheckText(doc)},
        {"Newlines/Tabs:", verified},
        {"Check for Escapes:", verified},
        {"HTML Tags:", verified},
        {"Marked for removal:", Format("%zu", marked)},
    };
}

std::string ProposedFeedFileName(const std::string& account) {
    return account.empty() ? "YourAccount.txt" : account + ".txt";
}

std::string ProposedBackupFileName(const std::string& currentFile, bool currentIsSample,
                                   const std::string& saveFolder) {
    if (currentFile.empty()) {
        return "QuorvinFeed1.txt";
    }
    if (!currentIsSample) {
        return currentFile;
    }
    const auto sep = currentFile.find_last_of("\\/:");
    const std::string name = sep == std::string::npos ? currentFile : currentFile.substr(sep + 1);
    if (saveFolder.empty()) {
        return name;
    }
    return saveFolder.back() == '/' ? saveFolder + name : saveFolder + "/" + name;
}

std::string OfferIdCheckText(const CFeedDocument& doc) {
    // The diagnostics' index: one arena of keys instead of a node per product.
    COfferIdIndex seen;
    seen.Reserve(doc.Count());
    std::size_t missing = 0;
    std::size_t repeated = 0;
    std::size_t row = 0;
    for (const COtherRecord& r : doc.Records()) {
        ++row;
        const std::string key = COfferIdIndex::Key(r.Field(kColOfferId));
        if (key.empty()) {
            ++missing;
        } else if (seen.AddOrFind(key, row) != 0) {
            ++repeated;
        }
    }
    if (missing == 0 && repeated == 0) {
        return "Verified";
    }
    std::string text;
    if (missing != 0) {
        text = Format("%zu missing", missing);
    }
    if (repeated != 0) {
        text += (text.empty() ? "" : ", ") + Format("%zu repeated", repeated);
    }
    return text;
}

}  // namespace yarvelin
