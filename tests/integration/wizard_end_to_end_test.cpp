// The real wizard, offscreen, the way a merchant uses it: set up the account and the default values in
// their own windows, open a sample, point its products at the shop, add and edit products, check the data
// and the URLs (nginx), generate the feed, upload it byte for byte (FTP server), finish; then a second
// start that finds the recent feed, the account, the defaults and the upload settings again.
// Every question on the way is scripted: any other one fails the test, and so does any window of ours
// that opens unexpectedly.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <functional>

#include "app/main_property_sheet.h"
#include "app/program_names.h"
#include "app/yarvelin_gui.h"
#include "checks/url_check_dlg.h"
#include "dialogs/account_setup_dlg.h"
#include "dialogs/data_alert_dlg.h"
#include "dialogs/options_defaults_page.h"
#include "dialogs/options_sheet.h"
#include "dialogs/product_editor_dlg.h"
#include "integration/ftp_test_server.h"
#include "jobs/feed_job.h"
#include "pages/product_list_page.h"
#include "pages/save_page.h"
#include "pages/start_page.h"
#include "pages/upload_page.h"
#include "platform/curl_ftp_client.h"
#include "platform/qt_settings_store.h"
#include "platform/text_codec.h"
#include "support/cli_run.h"
#include "support/local_http_servers.h"
#include "support/scripted_ui_services.h"
#include "support/widget_lookup.h"
#include "upload/ftp_transfer_dlg.h"

namespace yarvelin {
namespace {

using test::CFtpTestServer;
using testing::CNginxServer;

const QString kFilter = A("Text Files (*.txt)|*.txt|All Files (*.*)|*.*||");
constexpr const char* kSampleHost = "https://www.petalandstem.example";

QApplication& App() {
    static int argc = 1;
    static char name[] = "it_wizard_end_to_end_test";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

// The page sends to port 21, as the service wants; the test server listens elsewhere on loopback.
class CLoopbackFtpClient : public CCurlFtpClient {
  public:
    explicit CLoopbackFtpClient(std::uint16_t port) : m_port(port) {}
    bool Connect(const std::string& server, std::uint16_t, const std::optional<std::string>& user,
                 const std::optional<std::string>& password, bool passive) override {
        return CCurlFtpClient::Connect(server, m_port, user, password, passive);
    }

  private:
    std::uint16_t m_port;
};

// Runs step on the next turn of whatever modal loop is running, until it returns true.
void WhenModal(std::function<bool(QWidget*)> step) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, step] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && step(modal)) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

// One run of the program: settings from the file, the wizard, settings back to the file.
struct CProgramRun {
    CProgramRun(const QString& settingsPath, const QString& programDir, CScriptedUiServices& ui)
        : store(settingsPath), ui(ui) {
        app.LoadSettings(store);
        gui = std::make_unique<CYarvelinGui>(app, store, ui, AppConfig{}, programDir);
        sheet = std::make_unique<CMainPropertySheet>(*gui, false);
        sheet->show();
    }
    bool Exit() {
        sheet.reset();
        return ExitAndReportSettings(app, store, ui);
    }
    CYarvelinApp app;
    CQtSettingsStore store;
    CScriptedUiServices& ui;
    std::unique_ptr<CYarvelinGui> gui;
    std::unique_ptr<CMainPropertySheet> sheet;
};

class WizardEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        App();
        setenv("no_proxy", "127.0.0.1", 1);  // the loopback servers are reached directly
        setenv("NO_PROXY", "127.0.0.1", 1);
        ASSERT_TRUE(m_dir.isValid());
        // A fresh account: no jobs folder yet.
        m_config = m_dir.filePath(QStringLiteral("config")).toStdString();
        setenv("XDG_CONFIG_HOME", m_config.c_str(), 1);
        QDir(m_dir.path()).mkdir(QStringLiteral("Samples"));
        QDir(m_dir.path()).mkdir(QStringLiteral("feeds"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(YARVELIN_SOURCE_DIR "/resources/Samples/SampleFlowers.txt"),
                                m_dir.filePath(QStringLiteral("Samples/SampleFlowers.txt"))));
        // Any window of our own that the test did not ask for is noted and closed.
        m_watch.setInterval(20);
        QObject::connect(&m_watch, &QTimer::timeout, &m_watch, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || qobject_cast<CNewProductDlg*>(modal) ||
                qobject_cast<CUrlCheckDlg*>(modal) || qobject_cast<CFTPTransferDlg*>(modal) ||
                modal->metaObject() == m_awaitedWindow) {
                return;
            }
            // The text check's alerts belong to Verify Data; the merchant lets it clean the texts.
            if (auto* alert = qobject_cast<CDataAlertDlg*>(modal); alert != nullptr && m_checkingData) {
                ++m_alertsAnswered;
                alert->done(1);
                return;
            }
            m_unexpected << QString::fromLatin1(modal->metaObject()->className());
            modal->close();
        });
        m_watch.start();
    }
    void TearDown() override {
        EXPECT_TRUE(m_ui.Done()) << m_ui.Failure().toStdString();
        EXPECT_TRUE(m_unexpected.isEmpty()) << m_unexpected.join(QLatin1Char(',')).toStdString();
    }

    // The product editor on the selected row (or a new product): fill() sets its fields, then it is stored.
    static void RunEditor(CPage3* list, bool newProduct, const std::function<void(QWidget*)>& fill) {
        bool stored = false;
        WhenModal([&stored, fill](QWidget* modal) {
            auto* editor = qobject_cast<CNewProductDlg*>(modal);
            if (editor == nullptr) {
                return false;
            }
            fill(editor);
            FindChild<QPushButton>(*editor, "storeButton")->click();
            stored = editor->result() == QDialog::Accepted;
            if (!stored) {
                editor->reject();
            }
            return true;
        });
        FindChild<QPushButton>(*list, newProduct ? "newButton" : "editButton")->click();
        EXPECT_TRUE(stored);
    }

    // One of our windows that the test opens with press() and fills with fill(modal), which closes it.
    template <typename Window>
    void RunWindow(const std::function<void()>& press, const std::function<void(Window*)>& fill) {
        bool filled = false;
        m_awaitedWindow = &Window::staticMetaObject;
        WhenModal([&filled, fill](QWidget* modal) {
            auto* window = qobject_cast<Window*>(modal);
            if (window == nullptr) {
                return false;
            }
            fill(window);
            filled = true;
            return true;
        });
        press();
        m_awaitedWindow = nullptr;
        EXPECT_TRUE(filled) << Window::staticMetaObject.className();
    }

    QTemporaryDir m_dir;
    std::string m_config;
    CScriptedUiServices m_ui;
    const QMetaObject* m_awaitedWindow = nullptr;
    QTimer m_watch;
    QStringList m_unexpected;
    bool m_checkingData = false;
    int m_alertsAnswered = 0;
};

TEST_F(WizardEndToEnd, FromASampleToTheServerAndBack) {
    CNginxServer shop("    location / { return 200 \"ok\"; }\n");
    CFtpTestServer ftp;
    const auto ftpPort = static_cast<std::uint16_t>(ftp.Port());
    const QString settings = m_dir.filePath(QString::fromLatin1(kSettingsRoot) + QStringLiteral(".ini"));
    const QString sample = m_dir.filePath(QStringLiteral("Samples/SampleFlowers.txt"));
    const QString feed = m_dir.filePath(QStringLiteral("feeds/merchant.txt"));
    const std::string shopBase = shop.Url("");
    const std::string defaultUrl = shop.Url("/shop/new");
    std::size_t sampleCount = 0;

    {
        CProgramRun run(settings, m_dir.path(), m_ui);
        CMainPropertySheet& sheet = *run.sheet;

        // Step 1: the account, then the flowers sample from the list.
        CPage1* start = sheet.StartPage();
        RunWindow<CAccountSetupDlg>(
            [start] { FindChild<QPushButton>(*start, "accountSetupButton")->click(); },
            [](CAccountSetupDlg* dlg) {
                FindChild<QLineEdit>(*dlg, "userNameEdit")->setText(QStringLiteral("merchant"));
                FindChild<QPushButton>(*dlg, "setupAccountButton")->click();
            });
        EXPECT_EQ(run.app.Document().Account(), "merchant");
        FindChild<QRadioButton>(*start, "openFileRadio")->click();
        auto* files = FindChild<QListWidget>(*start, "fileList");
        files->setCurrentItem(files->findItems(sample, Qt::MatchExactly).value(0));
        FindChild<QPushButton>(*start, "openButton")->click();
        sampleCount = run.app.Document().Count();
        ASSERT_GT(sampleCount, 10u);
        sheet.NextButton()->click();
        ASSERT_EQ(sheet.ActiveIndex(), 1);

        // Step 2: the default values of new products; every product points at the merchant's own shop;
        // one gets a new price; one is added.
        CPage3* list = sheet.ProductListPage();
        const std::string defaultImage = shop.Url("/img/new.jpg");
        m_ui.ExpectMessage(
            A("Warning: Changes Not Reflected"),
            A("The changes that you made to the default values will not be reflected until the "
              "next new product that you enter or edit."),
            MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
        RunWindow<COptionsSheet>(
            [list] { FindChild<QPushButton>(*list, "optionsButton")->click(); },
            [&](COptionsSheet* options) {
                options->Tabs()->setCurrentIndex(1);
                QWidget* page = options->DefaultValuesPage();
                FindChild<QLineEdit>(*page, "defProductUrl")->setText(QString::fromStdString(defaultUrl));
                FindChild<QLineEdit>(*page, "defImageUrl")->setText(QString::fromStdString(defaultImage));
                FindChild<QComboBox>(*page, "defCategories")->setEditText(A("Flowers > Roses"));
                FindChild<QPushButton>(*options, "okButton")->click();
            });
        EXPECT_EQ(run.app.Defaults()[kDefProductUrl], defaultUrl);
        for (std::size_t row = 0; row < sampleCount; ++row) {
            list->SelectRows({row});
            list->UpdateButtonStates();
            RunEditor(list, false, [&](QWidget* editor) {
                for (const char* name : {"productUrlEdit", "imageUrlEdit"}) {
                    auto* edit = FindChild<QLineEdit>(*editor, name);
                    edit->setText(edit->text().replace(QString::fromLatin1(kSampleHost),
                                                       QString::fromStdString(shopBase)));
                }
                if (row == 0) {
                    FindChild<QLineEdit>(*editor, "priceEdit")->setText(QStringLiteral("49.5"));
                }
            });
        }
        RunEditor(list, true, [](QWidget* editor) {
            FindChild<QLineEdit>(*editor, "nameEdit")->setText(A("Garden Roses, 6 Stems"));
            FindChild<QPlainTextEdit>(*editor, "descriptionEdit")
                ->setPlainText(A("Six garden roses, hand-tied."));
            FindChild<QLineEdit>(*editor, "priceEdit")->setText(QStringLiteral("29.9"));
        });
        const CFeedDocument& doc = run.app.Document();
        ASSERT_EQ(doc.Count(), sampleCount + 1);
        EXPECT_EQ(doc.At(0).Field(kColPrice), "49.50");
        EXPECT_EQ(doc.At(sampleCount).Field(kColProductUrl), defaultUrl);
        EXPECT_TRUE(doc.IsChanged());

        m_checkingData = true;
        list->VerifyDataButton()->click();
        m_checkingData = false;
        EXPECT_GT(m_alertsAnswered, 0);  // the sample's texts hold line breaks and "&"
        EXPECT_EQ(list->StatusText()->text(), A("All records checked"));
        WhenModal([](QWidget* modal) {
            auto* check = qobject_cast<CUrlCheckDlg*>(modal);
            if (check == nullptr || !check->IsDone()) {
                return false;
            }
            check->accept();
            return true;
        });
        list->VerifyUrlsButton()->click();
        for (std::size_t i = 0; i < doc.Count(); ++i) {
            EXPECT_TRUE(doc.At(i).product_url_ok && doc.At(i).image_url_ok) << i;
        }
        sheet.NextButton()->click();
        ASSERT_EQ(sheet.ActiveIndex(), 2);

        // Step 3: the feed file, named after the account.
        m_ui.ExpectSaveFile(kFilter, feed, QStringLiteral("merchant.txt"));
        FindChild<QPushButton>(*sheet.SavePage(), "generateButton")->click();
        ASSERT_TRUE(QFile::exists(feed));
        sheet.NextButton()->click();
        ASSERT_EQ(sheet.ActiveIndex(), 3);

        // Step 4: upload to the server, signed in as the account.
        CPage5* upload = sheet.UploadPage();
        upload->m_makeFtpClient = [ftpPort] { return std::make_unique<CLoopbackFtpClient>(ftpPort); };
        EXPECT_EQ(FindChild<QLineEdit>(*upload, "fileNameEdit")->text(), feed);
        EXPECT_EQ(FindChild<QLineEdit>(*upload, "userNameEdit")->text(), QStringLiteral("merchant"));
        FindChild<QLineEdit>(*upload, "serverEdit")->setText(QStringLiteral("127.0.0.1"));
        FindChild<QLineEdit>(*upload, "passwordEdit")->setText(QStringLiteral("secret"));
        FindChild<QCheckBox>(*upload, "binaryCheck")->setChecked(true);
        m_ui.ExpectMessage(A(kAppTitle), A("Success. The data feed file has been uploaded to Quorvin."),
                           MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
        FindChild<QPushButton>(*upload, "uploadButton")->click();
        EXPECT_TRUE(
            FindChild<QLabel>(*upload, "resultLine")->text().startsWith(A("Your data feed file has been")));
        // The feed went to a temporary name beside the target and was renamed over it once complete.
        EXPECT_EQ(FindChild<QLabel>(*upload, "replaceLine")->text(),
                  A("Sent as merchant.txt.part, size checked, renamed to merchant.txt"));
        const std::string log = ftp.Log();
        EXPECT_NE(log.find("STOR merchant.txt.part"), std::string::npos) << log;
        EXPECT_NE(log.find("RNTO merchant.txt"), std::string::npos) << log;
        EXPECT_FALSE(std::filesystem::exists(ftp.Root() / "merchant.txt.part"));

        // The same upload as a job for the nightly run: in the jobs folder (made on a fresh account), named
        // after the feed file.
        const QString jobFile = FromPath(JobsFolder() + "/merchant.toml");
        m_ui.ExpectSaveFile(A("Job Files (*.toml)|*.toml|All Files (*.*)|*.*||"), jobFile, jobFile);
        m_ui.ExpectMessage(
            A(kAppTitle),
            A("The job was saved in ") + jobFile +
                A(".\nyarvelin-feed run checks, writes and uploads this feed with it. The password "
                  "stays in the keyring: add a password file to the job to run it unattended."),
            MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
        FindChild<QPushButton>(*upload, "saveJobButton")->click();
        ASSERT_TRUE(QFile::exists(jobFile));
        sheet.NextButton()->click();  // stores the connection settings; Finish follows
        ASSERT_TRUE(sheet.FinishButton()->isEnabled());
        sheet.FinishButton()->click();
        EXPECT_FALSE(sheet.isVisible());
        ASSERT_TRUE(run.Exit());
    }

    // Sent in binary, the bytes on the server are exactly the file written, CR LF line ends and all.
    const std::string written = CFtpTestServer::ReadFile(ToPath(feed));
    EXPECT_NE(written.find("Garden Roses, 6 Stems"), std::string::npos);
    EXPECT_NE(written.find("\r\n"), std::string::npos);
    EXPECT_EQ(CFtpTestServer::ReadFile(ftp.Root() / "merchant.txt"), written);

    // The saved job, run by its name with the password file and port the loopback server needs, publishes
    // byte for byte what the wizard sent: header choices, the text check's escapes and all.
    {
        const std::filesystem::path job = JobsFolder() + "/merchant.toml";
        std::string text = CFtpTestServer::ReadFile(job);
        std::ofstream(m_dir.filePath(QStringLiteral("merchant.pw")).toStdString()) << "secret\n";
        const std::size_t table = text.find("[upload]\n");
        ASSERT_NE(table, std::string::npos) << text;
        text.insert(table + 9, "port = " + std::to_string(ftpPort) + "\npassword-file = \"" +
                                   m_dir.filePath(QStringLiteral("merchant.pw")).toStdString() + "\"\n");
        std::ofstream(job, std::ios::binary | std::ios::trunc) << text;
        std::filesystem::remove(ftp.Root() / "merchant.txt");
        const std::string config = "XDG_CONFIG_HOME=" + yarvelin::testing::ShellQuote(m_config);
        const yarvelin::testing::CliRun run =
            yarvelin::testing::RunShellLine(YARVELIN_CLI, "run merchant", m_dir.path().toStdString(), config);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(CFtpTestServer::ReadFile(ftp.Root() / "merchant.txt"), written);
        EXPECT_NE(written.find("&#150;"), std::string::npos);  // the text check's escapes stay
    }
    EXPECT_EQ(CFtpTestServer::ReadFile(ToPath(sample)),
              CFtpTestServer::ReadFile(YARVELIN_SOURCE_DIR "/resources/Samples/SampleFlowers.txt"));

    // The second start finds the generated feed among the recent files, the account, the defaults and the
    // server; the reopened feed is untouched, so closing asks nothing.
    {
        CProgramRun run(settings, m_dir.path(), m_ui);
        EXPECT_EQ(run.app.Document().Account(), "merchant");
        EXPECT_EQ(run.app.Defaults()[kDefProductUrl], defaultUrl);
        EXPECT_EQ(run.app.RecentFeeds()[0], ToPath(feed));
        CMainPropertySheet& sheet = *run.sheet;
        CPage1* start = sheet.StartPage();
        FindChild<QRadioButton>(*start, "openFileRadio")->click();
        auto* files = FindChild<QListWidget>(*start, "fileList");
        ASSERT_EQ(files->item(1)->text(), feed);
        files->setCurrentRow(1);
        FindChild<QPushButton>(*start, "openButton")->click();
        EXPECT_EQ(run.app.Document().Count(), sampleCount + 1);  // the sample's products and the added one
        for (int i = 0; i < 2; ++i) {
            sheet.NextButton()->click();
        }
        m_ui.ExpectMessage(
            A("Yarvelin"),
            A("Quorvin requires that you name your file the same as your account name.\n Would "
              "you like to save your feed file now?"),
            MsgIcon::Question, MsgButtons::YesNoCancel, MsgAnswer::No);
        sheet.NextButton()->click();
        ASSERT_EQ(sheet.ActiveIndex(), 3);
        EXPECT_EQ(FindChild<QLineEdit>(*sheet.UploadPage(), "serverEdit")->text(),
                  QStringLiteral("127.0.0.1"));
        EXPECT_TRUE(FindChild<QCheckBox>(*sheet.UploadPage(), "binaryCheck")->isChecked());
        sheet.CancelButton()->click();
        EXPECT_FALSE(sheet.isVisible());
        EXPECT_TRUE(run.Exit());
    }
}

}  // namespace
}  // namespace yarvelin
