// Which column map an import uses: the merchant's map file, a shipped profile named by the merchant, or the
// profile the export's header line points to. One rule for `import`, `run` and the import window.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "import/column_map.h"

namespace yarvelin {

struct ExportMapChoice {
    ColumnMap map;
    std::string how;  // "the map file shop.toml", "chosen by name", or why detection chose the profile
};

// mapFile and profile as the merchant gave them (either may be empty; profile "auto" is detection). header
// is read only when the profile is detected. Throws CImportError (Kind::kMap) for a map file and a profile
// named together or a profile that does not exist, CHandFileError for a broken map file or profile.
ExportMapChoice ChooseExportMap(const std::string& mapFile, const std::string& profile,
                                const std::string& mapsFolder,
                                const std::function<std::vector<std::string>()>& header);

}  // namespace yarvelin
