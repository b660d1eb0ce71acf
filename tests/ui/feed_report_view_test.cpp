// What the loader and writer report reaches the user: message boxes, the progress bar and the status line.
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QtTest>

#include "app/program_names.h"
#include "app/yarvelin_app.h"
#include "feed/feed_file.h"
#include "feed/feed_report_view.h"
#include "platform/text_codec.h"
#include "support/scripted_ui_services.h"

using namespace yarvelin;

class FeedReportViewTest : public QObject {
    Q_OBJECT

  private slots:
    void loadShowsProgressAndTheStatusText() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("feed.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(BuildColumnLine(false).c_str());
        for (int i = 0; i < 250; ++i) {
            f.write("\r\nu\tn\td\t1\ti\tc\tX");
        }
        f.close();
        CScriptedUiServices ui;
        QWidget parent;
        QProgressBar bar(&parent);
        QLabel status(&parent);
        CFeedReportView view(ui, &parent, &bar, &status);
        CYarvelinApp app;
        app.OpenFeed(ToPath(path), view);
        QCOMPARE(bar.minimum(), 0);
        QCOMPARE(bar.maximum(), 100);
        QCOMPARE(bar.value(), 100);
        QCOMPARE(status.text(), A("File opened and succesfully loaded. Press NEXT to continue."));
        QVERIFY2(ui.Done(), qPrintable(ui.Failure()));
    }

    void fileErrorNamesThePathInItsOwnEncoding() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Bl\u00fcmen \u2013 Fr\u00fchling.txt"));
        CScriptedUiServices ui;
        ui.ExpectMessage(A(kAppTitle), path + A(" was not found."), MsgIcon::Exclamation, MsgButtons::Ok,
                         MsgAnswer::Ok);
        CFeedReportView view(ui, nullptr);  // no bar or status line: the save page's case
        CYarvelinApp app;
        app.OpenFeed(ToPath(path), view);
        QVERIFY2(ui.Done(), qPrintable(ui.Failure()));
    }

    void emptyFileIsAFormatError() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("empty.txt"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        CScriptedUiServices ui;
        ui.ExpectMessage(A("File Format Error"), A("File is corrupt or it is of a different format"),
                         MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
        CFeedReportView view(ui, nullptr);
        CYarvelinApp app;
        app.OpenFeed(ToPath(path), view);
        QVERIFY2(ui.Done(), qPrintable(ui.Failure()));
    }
};

QTEST_MAIN(FeedReportViewTest)
#include "feed_report_view_test.moc"
