// Every value of the settings store, declared once: section, name, kind and the value an absent entry reads
// as. Read and write through these; never type a section, a name or a default at a call site.
#pragma once

#include <cstdint>
#include <string>

#include "app/setting.h"

namespace yarvelin::settings {

using Text = Setting<std::string>;
using Number = Setting<std::int32_t>;

inline constexpr const char* kSectionData = "Data";
inline constexpr const char* kSectionDefaults = "DefaultData";
inline constexpr const char* kSectionUser = "UserData";
inline constexpr const char* kSectionRecent = "RecentFeeds";
inline constexpr const char* kSectionShow = "Show";
inline constexpr const char* kSectionFtp = "FTPInfo";
inline constexpr const char* kSectionConfig = "Config";
// TLS certificates the user trusted although they did not verify: "host:port" = "sha256//<public key>".
inline constexpr const char* kSectionPinnedCertificates = "PinnedCertificates";
// How many products the last successful upload to a server and file name held (one value per place).
inline constexpr const char* kSectionUploadCounts = "UploadCounts";
// The rules file last used with each feed: the feed's path (%XX for anything but letters, digits and . - _)
// = the rules file's path.
inline constexpr const char* kSectionRulesFiles = "RulesFiles";

// The user's option lists: a count, then that many entries numbered from 0.
inline constexpr Number kCategoryCount{kSectionData, "Category_Count", 0};
inline constexpr IndexedSetting<std::string> kCategories{kSectionData, "Category_%d", ""};
inline constexpr Number kSizeCount{kSectionData, "Size_Count", 0};
inline constexpr IndexedSetting<std::string> kSizes{kSectionData, "Sizes_%d", ""};
inline constexpr Number kColorCount{kSectionData, "Color_Count", 0};
inline constexpr IndexedSetting<std::string> kColors{kSectionData, "Colors_%d", ""};

// Default field values of a new product, Def1 .. Def11, and the three choices beside them.
inline constexpr IndexedSetting<std::string> kDefaults{kSectionDefaults, "Def%d", ""};
inline constexpr Number kExpiryDate{kSectionDefaults, "Expiry Date", 1};
inline constexpr Number kInStock{kSectionDefaults, "In Stock", 1};
inline constexpr Number kAutoGenOfferId{kSectionDefaults, "AutoGen Offer ID", 1};

inline constexpr Text kAccount{kSectionUser, "Account", ""};

// Recent feeds, feed1 (the most recent) .. feed5.
inline constexpr IndexedSetting<std::string> kRecentFeeds{kSectionRecent, "feed%d", ""};

// Remembered alerts: a flag that stops the alert unless it is exactly "F", and the last answer (1 Yes, 2 No).
inline constexpr Text kDontShowWhiteSpace{kSectionShow, "DontShowWhiteSpace", "F"};
inline constexpr Number kDontShowWhiteSpaceValue{kSectionShow, "DontShowWhiteSpaceValue", 1};
inline constexpr Text kDontShowEscape{kSectionShow, "DontShowEscape", "F"};
inline constexpr Number kDontShowEscapeValue{kSectionShow, "DontShowEscapeValue", 1};
inline constexpr Text kDontShowDelete{kSectionShow, "DontShowDelete", "F"};
inline constexpr Number kDontShowDeleteValue{kSectionShow, "DontShowDeleteValue", 1};

// The upload page's fields; all texts.
inline constexpr Text kFtpServer{kSectionFtp, "Server", ""};  // empty: the configured upload host
inline constexpr Text kFtpUserId{kSectionFtp, "UserID", ""};
inline constexpr Text kFtpFileName{kSectionFtp, "FileName", ""};
inline constexpr Text kFtpPassword{kSectionFtp, "Password", ""};
inline constexpr Text kFtpKeyFile{kSectionFtp, "KeyFile", ""};  // SFTP private key for sign-in
inline constexpr Text kFtpBinary{kSectionFtp, "Binary", ""};    // "1": binary transfer type; otherwise ASCII

inline constexpr NamedSetting<std::string> kPinnedCertificates{kSectionPinnedCertificates, ""};
// -1: nothing was uploaded to that place yet.
inline constexpr NamedSetting<std::int32_t> kUploadCounts{kSectionUploadCounts, -1};
inline constexpr NamedSetting<std::string> kRulesFiles{kSectionRulesFiles, ""};

// Web addresses and the default upload host; the defaults are the service's own.
inline constexpr Text kSignUpUrl{kSectionConfig, "SignUpUrl", "https://merchants.quorvin.example/signup"};
inline constexpr Text kAccountHelpUrl{kSectionConfig, "AccountHelpUrl",
                                      "https://merchants.quorvin.example/help/account"};
inline constexpr Text kArticlesUrl{kSectionConfig, "ArticlesUrl",
                                   "https://merchants.quorvin.example/articles"};
inline constexpr Text kTechSupportUrl{kSectionConfig, "TechSupportUrl",
                                      "https://www.yarvelin.example/support"};
inline constexpr Text kDataHelpUrl{kSectionConfig, "DataHelpUrl",
                                   "https://merchants.quorvin.example/help/feed-data"};
inline constexpr Text kOptionsHelpUrl{kSectionConfig, "OptionsHelpUrl",
                                      "https://merchants.quorvin.example/help/options"};
inline constexpr Text kUploadHost{kSectionConfig, "UploadHost", "ftp.quorvin.example"};
// How many URL check requests are in flight at once.
inline constexpr Number kUrlCheckJobs{kSectionConfig, "UrlCheckJobs", 16};
// The crawler whose robots.txt rules the URL check applies to product pages; empty: the check's own agent.
inline constexpr Text kCrawlerName{kSectionConfig, "CrawlerName", ""};

}  // namespace yarvelin::settings
