// The settings file, the Windows-1252 boundary and the desktop's message boxes.
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/program_names.h"
#include "app/settings_names.h"
#include "app/yarvelin_app.h"
#include "jobs/upload_count_file.h"
#include "platform/qt_settings_store.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"

using namespace yarvelin;

class PlatformTest : public QObject {
    Q_OBJECT
  private slots:
    void settingsFileIsOwnerOnlyAndKeepsBytes() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QString::fromLatin1(kSettingsRoot) + QStringLiteral(".ini"));
        const std::string account = "Caf\xe9 \x93shop\x94";
        {
            CQtSettingsStore store(path);
            settings::kAccount.Write(store, account);
            settings::kCategoryCount.Write(store, -7);
            settings::kFtpPassword.Write(store, "secret");
            store.Flush();
            QVERIFY(!store.LastFlushFailed());
        }
        QCOMPARE(QFile::permissions(path) & (QFileDevice::ReadGroup | QFileDevice::ReadOther |
                                             QFileDevice::WriteGroup | QFileDevice::WriteOther),
                 QFileDevice::Permissions());
        QVERIFY(QFile::permissions(path) & QFileDevice::ReadOwner);
        CQtSettingsStore again(path);
        QCOMPARE(settings::kAccount.Read(again), account);
        QCOMPARE(settings::kCategoryCount.Read(again), -7);
        QCOMPARE(again.GetInt(settings::kSectionData, "Missing", 42), 42);
        QCOMPARE(again.GetString(settings::kSectionData, "Missing", "dflt"), std::string("dflt"));
        again.DeleteSection(settings::kSectionFtp);
        QCOMPARE(settings::kFtpPassword.Read(again), std::string());
        QCOMPARE(settings::kAccount.Read(again), account);
    }

    // Earlier versions kept the count in the settings file, whose name it showed escaped twice; the count is
    // taken over into the record, which names the place escaped once.
    void uploadCountOfEarlierVersionsIsTakenOver() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.ini"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[UploadCounts]\n127.0.0.1%253A2121%2520merchant.txt=7\n");
        }
        const std::string record = ToPath(dir.filePath(QStringLiteral("upload-counts")));
        CQtSettingsStore store(path);
        QCOMPARE(LastUploadCount(store, record, "127.0.0.1:2121", "merchant.txt"),
                 std::optional<long long>(7));
        RememberUploadCount(store, record, "127.0.0.1:2121", "merchant.txt", 9);
        QFile file(dir.filePath(QStringLiteral("upload-counts")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("127.0.0.1%3A2121%20merchant.txt 9\n"));
    }

    void applicationSettingsThroughTheFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("s.ini"));
        {
            CQtSettingsStore store(path);
            CYarvelinApp app;
            app.Colors() = {"Red", "Dark Blue "};
            app.RecentFeeds().Add("/tmp/x.txt");
            app.ExitInstance(store);
        }
        CQtSettingsStore store(path);
        CYarvelinApp app;
        app.LoadSettings(store);
        QCOMPARE(app.Colors().size(), std::size_t(2));
        QCOMPARE(app.Colors()[1], std::string("Dark Blue "));  // the trailing blank survives
        QCOMPARE(app.RecentFeeds()[0], std::string("/tmp/x.txt"));
    }

    void windows1252RoundTrip() {
        std::string all;
        for (int b = 1; b < 256; ++b) {
            all.push_back(static_cast<char>(b));
        }
        QCOMPARE(ToCp1252(FromCp1252(all)), all);
        QCOMPARE(FromCp1252(std::string("\x93q\x94 \x96 \x99 \xa9 \x80")),
                 QString::fromUtf8("\u201cq\u201d \u2013 \u2122 \u00a9 \u20ac"));
        QVERIFY(!FirstUnencodable(QString::fromUtf8("caf\u00e9 \u2013 \u20ac")).has_value());
        const auto bad = FirstUnencodable(QString::fromUtf8("ok \u4e2d"));
        QVERIFY(bad.has_value());
        QCOMPARE(uint(*bad), uint(0x4e2d));
        QCOMPARE(ToCp1252(QString::fromUtf8("a\u4e2db")), std::string("a?b"));
    }

    // Enter presses the default button: on a question where Yes is the risky answer it must be No.
    void enterAnswersWithTheDefaultButton_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("answer");
        QTest::newRow("ok") << int(MsgButtons::Ok) << int(MsgAnswer::Ok);
        QTest::newRow("ok cancel") << int(MsgButtons::OkCancel) << int(MsgAnswer::Ok);
        QTest::newRow("yes no") << int(MsgButtons::YesNo) << int(MsgAnswer::Yes);
        QTest::newRow("yes no, default no") << int(MsgButtons::YesNoDefaultNo) << int(MsgAnswer::No);
        QTest::newRow("yes no cancel") << int(MsgButtons::YesNoCancel) << int(MsgAnswer::Yes);
    }
    void enterAnswersWithTheDefaultButton() {
        QFETCH(int, buttons);
        QFETCH(int, answer);
        bool enterClosedIt = false;
        QTimer::singleShot(0, [&enterClosedIt] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            QTest::keyClick(box, Qt::Key_Return);
            enterClosedIt = !box->isVisible();
            if (!enterClosedIt) {
                box->done(QMessageBox::Cancel);
            }
        });
        CQtUiServices ui;
        const MsgAnswer got =
            ui.MessageBox(nullptr, A(kAppTitle), A("Go on?"), MsgIcon::Question, MsgButtons(buttons));
        QVERIFY(enterClosedIt);
        QCOMPARE(int(got), answer);
    }

    void fileFilterConversion() {
        QCOMPARE(ToQtFilter(A("Text Files (*.txt)|*.txt|All Files (*.*)|*.*||")),
                 A("Text Files (*.txt);;All Files (*)"));
        QCOMPARE(ToQtFilter(A("Feeds|*.txt;*.tsv||")), A("Feeds (*.txt *.tsv)"));
    }
};

QTEST_MAIN(PlatformTest)
#include "platform_test.moc"
