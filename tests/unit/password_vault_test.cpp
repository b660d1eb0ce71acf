#include <gtest/gtest.h>

#include "app/password_vault.h"
#include "app/settings_names.h"
#include "app/settings_store.h"

namespace yarvelin {
namespace {

class CFakeVault : public PasswordVault {
  public:
    explicit CFakeVault(bool answers) : m_answers(answers) {}
    bool Save(const std::string& key, const std::string& password) override {
        if (m_answers) {
            m_saved[key] = password;
        }
        return m_answers;
    }
    bool Remove(const std::string& key) override {
        if (m_answers) {
            m_saved.erase(key);
        }
        return m_answers;
    }
    bool m_answers;
    std::map<std::string, std::string> m_saved;
};

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
    vault.m_saved[kFtpPasswordKey] = "old";
    KeepFtpPassword(store, c.vault == 0 ? nullptr : &vault, c.password);
    EXPECT_EQ(FilePassword(store), c.inFile);
    const auto it = vault.m_saved.find(kFtpPasswordKey);
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
    CFakeVault vault(true);
    EXPECT_TRUE(MoveFtpPasswordToVault(store, &vault));
    EXPECT_EQ(FilePassword(store), "");
    EXPECT_EQ(vault.m_saved[kFtpPasswordKey], "from-1.0");
    EXPECT_FALSE(MoveFtpPasswordToVault(store, &vault));  // nothing left to move
}

}  // namespace
}  // namespace yarvelin
