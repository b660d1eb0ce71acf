// Column maps as files a merchant reads and edits: TOML read through the hand-file loader, and written back
// in the same layout. The profiles of the common shop systems are such files, shipped in the program's
// Maps/ folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "import/column_map.h"

namespace yarvelin {

// Throws CHandFileError ("FILE:LINE: what is wrong").
ColumnMap ParseColumnMap(std::string_view text, const std::string& name);
ColumnMap LoadColumnMap(const std::string& path);
// The map as a file that ParseColumnMap reads back to the same map.
std::string FormatColumnMap(const ColumnMap& map);
// Writes FormatColumnMap's text; empty on success, otherwise the system's reason.
std::string SaveColumnMap(const std::string& path, const ColumnMap& map);

// The folder of the shipped profiles below the program's data folder.
inline constexpr const char* kMapsFolder = "Maps";
// The profiles in that order (generic last, since it matches any export with a feed column's name).
inline constexpr const char* kProfileNames[] = {"woocommerce", "shopify", "magento2",
                                                "prestashop",  "google",  "generic"};
// Loads every profile from folder (dataDir/Maps). Throws CHandFileError when one is missing or broken.
std::vector<ColumnMap> LoadProfiles(const std::string& folder);
// The profile whose detect columns the header holds (the most of them, when several do), else the
// generic one; -1 when there is none.
int DetectProfile(const std::vector<ColumnMap>& profiles, const std::vector<std::string>& header);
// Why DetectProfile chose what it chose, for messages: "detected from its columns", or which columns
// each profile missed when none matched.
std::string DetectionReason(const std::vector<ColumnMap>& profiles, const std::vector<std::string>& header,
                            int chosen);
// The profile of that name, or -1.
int FindProfile(const std::vector<ColumnMap>& profiles, std::string_view name);

}  // namespace yarvelin
