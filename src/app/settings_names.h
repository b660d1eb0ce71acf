// Sections and value names of the settings store, in one place.
#pragma once

namespace yarvelin::settings {

inline constexpr const char* kAppTitle = "Yarvelin1.0";

inline constexpr const char* kSectionData = "Data";
inline constexpr const char* kSectionDefaults = "DefaultData";
inline constexpr const char* kSectionUser = "UserData";
inline constexpr const char* kSectionRecent = "RecentFeeds";
inline constexpr const char* kSectionShow = "Show";
inline constexpr const char* kSectionFtp = "FTPInfo";
inline constexpr const char* kSectionConfig = "Config";

inline constexpr const char* kCategoryCount = "Category_Count";
inline constexpr const char* kCategoryFmt = "Category_%d";
inline constexpr const char* kSizeCount = "Size_Count";
inline constexpr const char* kSizeFmt = "Sizes_%d";
inline constexpr const char* kColorCount = "Color_Count";
inline constexpr const char* kColorFmt = "Colors_%d";
inline constexpr const char* kDefaultFmt = "Def%d";  // Def1 .. Def11
inline constexpr const char* kExpiryDate = "Expiry Date";
inline constexpr const char* kInStock = "In Stock";
inline constexpr const char* kAutoGenOfferId = "AutoGen Offer ID";
inline constexpr const char* kAccount = "Account";
inline constexpr const char* kRecentFmt = "feed%d";  // feed1 .. feed5

inline constexpr const char* kDontShowWhiteSpace = "DontShowWhiteSpace";
inline constexpr const char* kDontShowWhiteSpaceValue = "DontShowWhiteSpaceValue";
inline constexpr const char* kDontShowEscape = "DontShowEscape";
inline constexpr const char* kDontShowEscapeValue = "DontShowEscapeValue";
inline constexpr const char* kDontShowDelete = "DontShowDelete";
inline constexpr const char* kDontShowDeleteValue = "DontShowDeleteValue";

inline constexpr const char* kFtpServer = "Server";
inline constexpr const char* kFtpUserId = "UserID";
inline constexpr const char* kFtpFileName = "FileName";
inline constexpr const char* kFtpPassword = "Password";
inline constexpr const char* kFtpKeyFile = "KeyFile";  // SFTP private key for sign-in
inline constexpr const char* kFtpBinary = "Binary";    // "1": binary transfer type; otherwise ASCII

// TLS certificates the user trusted although they did not verify: "host:port" = "sha256//<public key>".
inline constexpr const char* kSectionPinnedCertificates = "PinnedCertificates";

// In the "Config" section: how many URL check requests are in flight at once.
inline constexpr const char* kUrlCheckJobs = "UrlCheckJobs";

// How many products the last successful upload to a server and file name held (one value per place).
inline constexpr const char* kSectionUploadCounts = "UploadCounts";

}  // namespace yarvelin::settings
