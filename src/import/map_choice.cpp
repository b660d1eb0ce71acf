#include "import/map_choice.h"

#include "import/import_error.h"
#include "import/map_file.h"

namespace yarvelin {

ExportMapChoice ChooseExportMap(const std::string& mapFile, const std::string& profile,
                                const std::string& mapsFolder,
                                const std::function<std::vector<std::string>()>& header) {
    const bool named = !profile.empty() && profile != "auto";
    if (!mapFile.empty()) {
        if (named) {
            throw CImportError(CImportError::Kind::kMap, 0,
                               "a profile and a map file both name a map: give one");
        }
        return {LoadColumnMap(mapFile), "the map file " + mapFile};
    }
    std::vector<ColumnMap> profiles = LoadProfiles(mapsFolder);
    if (named) {
        const int found = FindProfile(profiles, profile);
        if (found < 0) {
            std::string names;
            for (const ColumnMap& known : profiles) {
                names += known.name + ", ";
            }
            throw CImportError(CImportError::Kind::kMap, 0,
                               "no profile '" + profile + "': " + names + "or auto");
        }
        return {std::move(profiles[found]), "chosen by name"};
    }
    const std::vector<std::string> columns = header();
    const int detected = DetectProfile(profiles, columns);
    std::string how = DetectionReason(profiles, columns, detected);
    return {std::move(profiles[detected]), std::move(how)};
}

}  // namespace yarvelin
