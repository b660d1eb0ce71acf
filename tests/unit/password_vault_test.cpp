#include <gtest/gtest.h>

#include "../support/memory_password_vault.h"
#include "app/password_vault.h"
#include "app/settings_names.h"
#include "app/settings_store.h"

namespace yarvelin {
namespace {

using CFakeVault = CMemoryPasswordVault;

std::string FilePassword(const SettingsStore& store) {
    return settings::kFtpPassword.Read(store);
}

struct KeepCase {
    const char* name;
    int vault;  // 0 none, 1 answers, 2 silent
    const char* password;
    const char* inFile;
    const char* inVault;  // "-": no entry
};
class KeepPassword : public ::testing::TestWithParam<KeepCase> {};
TEST_P(KeepPassword, GoesToTheKeyringOrTheFile) {
    const KeepCase& c = GetParam();
    CMemorySettingsStore store;
    settings::kFtpPassword.Write(store, "old");
    CFakeVault vault(c.vault == 1);
    const std::string key = FtpPasswordKey("ftp.example", "merchant");
    vault.m_saved[key] = "old";
    KeepFtpPassword(store, c.vault == 0 ? nullptr : &vault, "ftp.example", "merchant", c.password);
    EXPECT_EQ(FilePassword(store), c.inFile);
    const auto it = vault.m_saved.find(key);
    EXPECT_EQ(it == vault.m_saved.end() ? std::string("-") : it->second, c.inVault);
}
INSTANTIATE_TEST_SUITE_P(Cases, KeepPassword,
                         ::testing::Values(KeepCase{"NoKeyring", 0, "pw", "pw", "old"},
                                           KeepCase{"Keyring", 1, "pw", "", "pw"},
                                           KeepCase{"SilentKeyring", 2, "pw", "pw", "old"},
                                           KeepCase{"ForgetInKeyring", 1, "", "", "-"},
                                           KeepCase{"ForgetWithoutKeyring", 0, "", "", "old"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MovePassword, LeavesTheFileOnlyWhenTheKeyringTookIt) {
    CMemorySettingsStore store;
    CFakeVault silent(false);
    settings::kFtpPassword.Write(store, "from-1.0");
    EXPECT_FALSE(MoveFtpPasswordToVault(store, &silent));
    EXPECT_FALSE(MoveFtpPasswordToVault(store, nullptr));
    EXPECT_EQ(FilePassword(store), "from-1.0");
    settings::kFtpServer.Write(store, "ftp.example");
    settings::kFtpUserId.Write(store, "merchant");
    CFakeVault vault(true);
    EXPECT_TRUE(MoveFtpPasswordToVault(store, &vault));
    EXPECT_EQ(FilePassword(store), "");
    EXPECT_EQ(vault.m_saved["FTPInfo/Password/merchant@ftp.example"], "from-1.0");
    EXPECT_FALSE(MoveFtpPasswordToVault(store, &vault));  // nothing left to move
}

// Each server and user has its own entry; the one entry of earlier versions and the settings file are
// read when the server has none.
struct LoadCase {
    const char* name;
    int vault;  // 0 none, 1 answers, 2 silent
    std::map<std::string, std::string> saved;
    const char* inFile;
    const char* expected;
};
class LoadPassword : public ::testing::TestWithParam<LoadCase> {};
TEST_P(LoadPassword, FindsThePasswordOfThatServerAndUser) {
    const LoadCase& c = GetParam();
    CMemorySettingsStore store;
    settings::kFtpPassword.Write(store, c.inFile);
    CFakeVault vault(c.vault == 1);
    vault.m_saved = c.saved;
    EXPECT_EQ(LoadFtpPassword(store, c.vault == 0 ? nullptr : &vault, "ftp.example", "merchant"), c.expected);
}
INSTANTIATE_TEST_SUITE_P(
    Cases, LoadPassword,
    ::testing::Values(
        LoadCase{"OwnEntry", 1, {{"FTPInfo/Password/merchant@ftp.example", "mine"}}, "", "mine"},
        LoadCase{"OtherServersEntryIsNotGiven", 1, {{"FTPInfo/Password/merchant@ftp.other", "x"}}, "", ""},
        LoadCase{"OtherUsersEntryIsNotGiven", 1, {{"FTPInfo/Password/shop@ftp.example", "x"}}, "", ""},
        LoadCase{"EarlierVersionsEntry", 1, {{kFtpPasswordKey, "old"}}, "", "old"},
        LoadCase{"OwnEntryBeforeTheOldOne",
                 1,
                 {{kFtpPasswordKey, "old"}, {"FTPInfo/Password/merchant@ftp.example", "mine"}},
                 "",
                 "mine"},
        LoadCase{"SettingsFileWithoutKeyring", 0, {}, "file", "file"},
        LoadCase{"SettingsFileWhenTheKeyringIsSilent", 2, {}, "file", "file"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeepPassword, ASavedPasswordRetiresTheEntryOfEarlierVersions) {
    CMemorySettingsStore store;
    CFakeVault vault(true);
    vault.m_saved[kFtpPasswordKey] = "old";
    KeepFtpPassword(store, &vault, "ftp.a", "u", "pa");
    KeepFtpPassword(store, &vault, "ftp.b", "u", "pb");
    EXPECT_EQ(vault.m_saved.count(kFtpPasswordKey), 0u);
    EXPECT_EQ(LoadFtpPassword(store, &vault, "ftp.a", "u"), "pa");
    EXPECT_EQ(LoadFtpPassword(store, &vault, "ftp.b", "u"), "pb");
}

}  // namespace
}  // namespace yarvelin
