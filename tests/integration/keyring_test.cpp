// The FTP password in a real Secret Service: gnome-keyring-daemon inside a private D-Bus session with its own
// home folder (nothing of the user's keyring is touched), and the fallback when no keyring answers.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "app/password_vault.h"
#include "app/program_names.h"
#include "app/settings_names.h"
#include "app/settings_store.h"
#include "platform/keychain_password_vault.h"

namespace yarvelin {
namespace {

std::string g_self;

// What the child does inside the private session; its exit status tells the parent which step failed.
int KeyringChild() {
    CKeychainPasswordVault vault(QString::fromLatin1(kSettingsRoot) + QStringLiteral("-test"));
    CMemorySettingsStore store;
    settings::kFtpPassword.Write(store, "from-1.0");
    settings::kFtpServer.Write(store, "ftp.example");
    settings::kFtpUserId.Write(store, "merchant");
    if (!MoveFtpPasswordToVault(store, &vault)) {
        return 10;
    }
    const std::string key = FtpPasswordKey("ftp.example", "merchant");
    if (!settings::kFtpPassword.Read(store).empty() || vault.Load(key) != "from-1.0") {
        return 11;
    }
    KeepFtpPassword(store, &vault, "ftp.example", "merchant", "s\xC3\xA9same");
    if (!settings::kFtpPassword.Read(store).empty() || vault.Load(key) != "s\xC3\xA9same") {
        return 12;
    }
    KeepFtpPassword(store, &vault, "ftp.example", "merchant", "");
    if (!vault.Load(key).empty() || !LoadFtpPassword(store, &vault, "ftp.example", "merchant").empty()) {
        return 13;
    }
    return 0;
}

TEST(Keyring, PasswordMovesIntoARealSecretServiceAndOutOfTheFile) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const std::string h = home.path().toStdString();
    const std::string command =
        "env HOME=" + h + " XDG_DATA_HOME=" + h + "/data XDG_RUNTIME_DIR=" + h +
        " dbus-run-session -- sh -c 'printf pw | gnome-keyring-daemon --replace --unlock "
        "--components=secrets >/dev/null 2>&1 && QT_QPA_PLATFORM=offscreen " +
        g_self + " --keyring-child' >/dev/null 2>&1";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 0) << "step " << WEXITSTATUS(raw) << " failed (127: no gnome-keyring-daemon)";
}

TEST(Keyring, WithoutAKeyringTheSettingsFileKeepsThePassword) {
    // No session bus at all: the keyring cannot answer.
    const QByteArray saved = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/yarvelin-no-bus");
    CKeychainPasswordVault vault(QString::fromLatin1(kSettingsRoot) + QStringLiteral("-test"));
    CMemorySettingsStore store;
    KeepFtpPassword(store, &vault, "ftp.example", "merchant", "pw");
    EXPECT_EQ(settings::kFtpPassword.Read(store), "pw");
    EXPECT_FALSE(MoveFtpPasswordToVault(store, &vault));
    EXPECT_EQ(settings::kFtpPassword.Read(store), "pw");
    if (saved.isEmpty()) {
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    } else {
        qputenv("DBUS_SESSION_BUS_ADDRESS", saved);
    }
}

}  // namespace
}  // namespace yarvelin

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc > 1 && std::string(argv[1]) == "--keyring-child") {
        return yarvelin::KeyringChild();
    }
    yarvelin::g_self = QCoreApplication::applicationFilePath().toStdString();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
