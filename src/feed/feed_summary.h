// The feed summary of the save page (and of `yarvelin-feed info`), and the names the save page proposes.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace yarvelin {

class CFeedDocument;

inline constexpr std::size_t kSummaryFileNameLength = 31;
inline constexpr long long kBytesShownInBytes = 10000;
inline constexpr long long kBytesPerKilobyte = 1024;

// "Untitled" for no file, else the last component of the path (after "\", "/" or ":") cut to 31
// characters. Paths are UTF-8 here, so a character is never cut in half.
std::string SummaryFileName(const std::string& path);
// "%d BYTES" up to 10000 bytes, else "%d KB" in whole kilobytes of 1024 bytes.
std::string FormatSummaryFileSize(long long bytes);
// The size row for a path: "0 BYTES" without a file, nothing when the file cannot be opened.
std::optional<std::string> SummaryFileSize(const std::string& path);

// The summary rows, label then value. previousSize is what the size row showed before; it stays when
// the file cannot be opened.
std::vector<std::pair<std::string, std::string>> BuildSummaryRows(const CFeedDocument& doc,
                                                                  bool fullFileUpdate,
                                                                  const std::string& previousSize);

// "Generate & Save Feed File" proposes the account name with ".txt", or "YourAccount.txt".
std::string ProposedFeedFileName(const std::string& account);
// "Save Backup" proposes the current file, or "QuorvinFeed1.txt". A shipped sample is never proposed
// for overwriting: its name goes into saveFolder (the folder last saved to, or the user's documents).
std::string ProposedBackupFileName(const std::string& currentFile, bool currentIsSample = false,
                                   const std::string& saveFolder = {});

// The "Offer IDs: " row: what a look at the offer ids finds. "Verified" when every product has one and
// none repeats (letter case ignored), otherwise how many are missing and how many repeat an earlier one.
std::string OfferIdCheckText(const CFeedDocument& doc);

}  // namespace yarvelin
