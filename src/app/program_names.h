// The names the program gives itself: on screen, in the user's configuration folder and on the wire.
#pragma once

namespace yarvelin {

// The settings store's root: QSettings' organisation and application, so the folder and file name
// (~/.config/Yarvelin1.0/Yarvelin1.0.ini) and the keyring's service name.
inline constexpr const char* kSettingsRoot = "Yarvelin1.0";
// The caption of the program's message boxes.
inline constexpr const char* kAppTitle = "Yarvelin1.0";

// The user agent of the URL check's HTTP requests.
inline constexpr const char* kUrlCheckUserAgent = "Yarvelin";
// The agent name the FTP engine opens its session with, which proxies see.
inline constexpr const char* kFtpAgent = "Yarvelin1.0";

}  // namespace yarvelin
