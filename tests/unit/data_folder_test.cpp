// Where both programs find their samples, help topics and import profiles: beside themselves in a build
// folder, in the install's data folder when installed, whatever the install's layout.
#include "app/data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace yarvelin {
namespace {

struct FolderCase {
    const char* name;
    std::vector<const char*> folders;  // made under a scratch root; the program sits in bin
    const char* dataFromBin;
    const char* expected;  // relative to the root
};
class DataFolder : public ::testing::TestWithParam<FolderCase> {};
TEST_P(DataFolder, FindsTheFolderHoldingTheData) {
    const FolderCase& c = GetParam();
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / (std::string("yarvelin-data-") + c.name);
    std::filesystem::remove_all(root);
    for (const char* folder : c.folders) {
        std::filesystem::create_directories(root / folder);
    }
    EXPECT_EQ(DataFolderFor((root / "bin").string(), c.dataFromBin), (root / c.expected).string());
    std::filesystem::remove_all(root);
}
INSTANTIATE_TEST_SUITE_P(
    Layouts, DataFolder,
    ::testing::Values(
        FolderCase{"BuildSamples", {"bin/Samples"}, "../share/yarvelin", "bin"},
        FolderCase{"BuildMapsOnly", {"bin/Maps"}, "../share/yarvelin", "bin"},
        FolderCase{"Installed", {"bin", "share/yarvelin/help"}, "../share/yarvelin", "share/yarvelin"},
        FolderCase{"InstalledElsewhere",
                   {"bin", "lib/yarvelin-data/Maps"},
                   "../lib/yarvelin-data",
                   "lib/yarvelin-data"},
        FolderCase{"BesideWins", {"bin/Samples", "share/yarvelin/Samples"}, "../share/yarvelin", "bin"},
        FolderCase{"EmptyDataFolder", {"bin", "share/yarvelin"}, "../share/yarvelin", "bin"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace yarvelin
