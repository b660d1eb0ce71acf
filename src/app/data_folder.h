// Where the shipped data (Samples/, help/, Rules/, Maps/) is found, the same way for the wizard and
// yarvelin-feed: beside the program in a build folder, else in the data folder the build installs it to,
// seen from the installed programs' folder (bin/../share/yarvelin for the usual layout).
#pragma once

#include <string>

namespace yarvelin {

// programDir: the running program's folder; dataFromBin: the install's data folder relative to its
// programs' folder. When neither holds the data, programDir, so that messages name where it was looked for.
std::string DataFolderFor(const std::string& programDir, const std::string& dataFromBin);

// DataFolderFor with this build's install layout.
std::string BuildDataFolderFor(const std::string& programDir);

}  // namespace yarvelin
