// The upload page's look back at the last upload: the counts beside the last-run line, the Changes window
// over them, and Roll Back, which sends the upload before the last one through the transfer window.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/program_names.h"
#include "app/settings_names.h"
#include "changes/change_table_model.h"
#include "changes/changes_dlg.h"
#include "changes/run_changes.h"
#include "changes/upload_changes.h"
#include "jobs/upload_count_file.h"
#include "pages/upload_page.h"
#include "platform/text_codec.h"
#include "support/test_gui.h"
#include "support/widget_lookup.h"
#include "upload/ftp_transfer_dlg.h"

namespace yarvelin {

namespace {

const std::string kServer = "ftp.shop.example";

// A feed with one product per (offer id, name, price).
std::string FeedText(std::initializer_list<std::array<const char*, 3>> products) {
    std::string text = "# html_escaped=NO\r\n# updates_only=NO\r\n# product_type=OTHER\r\n# quoted=NO\r\n";
    for (int k = 0; k < kColumnCount; ++k) {
        text += std::string(k ? "\t" : "") + kColumnNames[k];
    }
    text += "\r\n";
    for (const auto& p : products) {
        for (int k = 0; k < kColumnCount; ++k) {
            text += k ? "\t" : "";
            text += k == kColOfferId ? p[0] : k == kColName ? p[1] : k == kColPrice ? p[2] : "";
        }
        text += "\r\n";
    }
    return text;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// What was uploaded before (a, b, c) and the feed saved now (a, b changed, d added, c gone).
const std::string kOlder = FeedText({{"a", "Lamp", "1"}, {"b", "Desk", "2"}, {"c", "Chair", "3"}});
const std::string kNewer = FeedText({{"a", "Lamp", "1"}, {"b", "Big Desk", "2.5"}, {"d", "Sofa", "4"}});

struct CPlace {
    explicit CPlace(CTestGui& t)
        : m_snapshots(
              (std::filesystem::path(t.Gui().Config().uploadCountFile).parent_path() / "snapshots").string()),
          m_saved(m_folder.filePath(QStringLiteral("shop.txt")).toStdString()) {
        settings::kFtpServer.Write(t.m_store, kServer);
        WriteText(m_saved, kNewer);
        t.Doc().NoteFeedFileWritten(m_saved);
    }
    // An earlier upload of text to the place.
    void Uploaded(const std::string& text, long long products) {
        const std::string file = m_saved + ".before";
        WriteText(file, text);
        SnapshotEntry entry;
        entry.products = products;
        QVERIFY(m_snapshots.Remember(kServer, "shop.txt", file, entry));
        std::filesystem::remove(file);
    }
    QTemporaryDir m_folder;
    CSnapshotStore m_snapshots;
    std::string m_saved;
};

}  // namespace

class UploadChangesTest : public QObject {
    Q_OBJECT
  private slots:
    void NoSnapshotNoLine();
    void LineAndChangesWindow();
    void RollBack_data();
    void RollBack();
    void Screenshot();
};

void UploadChangesTest::NoSnapshotNoLine() {
    CTestGui t;
    CPlace place(t);
    CPage5 page(t.Gui());
    page.OnSetActive();
    page.WaitForChangesLine();
    QVERIFY(FindChild<QLabel>(page, "changesLine")->text().isEmpty());
    QVERIFY(FindChild<QPushButton>(page, "changesButton")->isHidden());
    QVERIFY(FindChild<QPushButton>(page, "rollBackButton")->isHidden());
}

void UploadChangesTest::LineAndChangesWindow() {
    CTestGui t;
    CPlace place(t);
    place.Uploaded(kOlder, 3);
    // The open feed holds b and d, not c.
    for (const char* id : {"b", "d"}) {
        COtherRecord r;
        r.SetField(kColOfferId, id);
        t.Doc().AddOrReplaceRecord(r);
    }
    CPage5 page(t.Gui());
    page.OnSetActive();
    page.WaitForChangesLine();
    QCOMPARE(FindChild<QLabel>(page, "changesLine")->text(), A("since the last upload here: +1 -1 ~1"));
    QVERIFY(!FindChild<QPushButton>(page, "changesButton")->isHidden());
    // One upload kept: there is nothing older to go back to.
    QVERIFY(FindChild<QPushButton>(page, "rollBackButton")->isHidden());

    bool ran = false;
    // QCOMPARE returns from the inner function; the runner still gives the window's result.
    const auto check = [&](CChangesDlg& dlg) {
        ran = true;
        CChangeTableModel& model = *dlg.Model();
        QCOMPARE(model.rowCount(), 4);  // b's name and price, d added, c removed
        const auto keys = [&model] {
            QStringList keys;
            for (int r = 0; r < model.rowCount(); ++r) {
                keys << model.data(model.index(r, CChangeTableModel::kKey)).toString() + QLatin1Char(' ') +
                            model.data(model.index(r, CChangeTableModel::kColumn)).toString();
            }
            return keys.join(QLatin1Char(','));
        };
        auto* kind = FindChild<QComboBox>(dlg, "kindFilter");
        auto* column = FindChild<QComboBox>(dlg, "columnFilter");
        kind->setCurrentIndex(kind->findText(QStringLiteral("removed")));
        QCOMPARE(keys(), QStringLiteral("c "));
        kind->setCurrentIndex(0);
        column->setCurrentIndex(column->findText(QStringLiteral("price")));
        QCOMPARE(keys(), QStringLiteral("b price"));
        QCOMPARE(model.data(model.index(0, CChangeTableModel::kOld)).toString(), QStringLiteral("2"));
        QCOMPARE(model.data(model.index(0, CChangeTableModel::kNew)).toString(), QStringLiteral("2.5"));
        column->setCurrentIndex(0);

        // Double-click: the editor opens on the product's place in the open feed, and only for one it has.
        std::vector<std::size_t> opened;
        dlg.SetEditorRunner([&opened](std::size_t position) {
            opened.push_back(position);
            return false;
        });
        for (int r = 0; r < model.rowCount(); ++r) {
            dlg.OpenChange(model.index(r, 0));
        }
        QCOMPARE(opened, (std::vector<std::size_t>{0, 0, 1}));
        QCOMPARE(FindChild<QLabel>(dlg, "noteLabel")->text(), A("The open feed has no product c."));
    };
    page.m_runChanges = [&](CChangesDlg& dlg) {
        check(dlg);
        return int(QDialog::Rejected);
    };
    page.OnChanges();
    QVERIFY(ran);
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void UploadChangesTest::RollBack_data() {
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("completed");
    QTest::newRow("sent") << true << true;
    QTest::newRow("declined") << false << false;
    QTest::newRow("transfer failed") << true << false;
}

void UploadChangesTest::RollBack() {
    QFETCH(bool, yes);
    QFETCH(bool, completed);
    CTestGui t;
    CPlace place(t);
    place.Uploaded(kOlder, 3);
    place.Uploaded(kNewer, 3);
    CPage5 page(t.Gui());
    page.OnSetActive();
    page.WaitForChangesLine();
    QCOMPARE(FindChild<QLabel>(page, "changesLine")->text(), A("since the last upload here: +0 -0 ~0"));
    QVERIFY(!FindChild<QPushButton>(page, "rollBackButton")->isHidden());

    const auto choice = ChooseRollbackSnapshot(place.m_snapshots.List(kServer, "shop.txt"));
    QVERIFY(choice);
    t.m_ui.ExpectMessage(A(kAppTitle), FromCp1252(RollbackQuestion(*choice, kServer, "shop.txt")),
                         MsgIcon::Question, MsgButtons::YesNo, yes ? MsgAnswer::Yes : MsgAnswer::No);
    int runs = 0;
    page.m_runTransfer = [&](CFTPTransferDlg& dlg) {
        ++runs;
        // The earlier feed goes out under the saved file's name.
        [&] { QCOMPARE(ReadText(dlg.m_request.localFile), kOlder); }();
        dlg.m_bCompleted = completed;
        if (completed && dlg.m_onConfirmed) {
            dlg.m_onConfirmed();
        }
        return int(completed ? QDialog::Accepted : QDialog::Rejected);
    };
    if (completed) {
        t.m_ui.ExpectMessage(A(kAppTitle), FromCp1252(RollbackDoneText(*choice, "shop.txt")),
                             MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
    }
    page.OnRollBack();
    page.WaitForChangesLine();
    QCOMPARE(runs, yes ? 1 : 0);
    QVERIFY(!std::filesystem::exists(UnpackedSnapshotPath(place.m_saved)));
    // A rollback that went through is the newest upload: the saved feed differs from it again.
    QCOMPARE(place.m_snapshots.List(kServer, "shop.txt").size(), std::size_t(completed ? 3 : 2));
    QCOMPARE(FindChild<QLabel>(page, "changesLine")->text(),
             A(completed ? "since the last upload here: +1 -1 ~1" : "since the last upload here: +0 -0 ~0"));
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
}

void UploadChangesTest::Screenshot() {
    CTestGui t;
    CPlace place(t);
    place.Uploaded(kOlder, 3);
    CPage5 page(t.Gui());
    page.OnSetActive();
    page.WaitForChangesLine();
    page.m_runChanges = [](CChangesDlg& dlg) {
        dlg.show();
        SaveScreenshot(dlg, QStringLiteral("changes_dialog.png"));
        return int(QDialog::Rejected);
    };
    page.OnChanges();
}

}  // namespace yarvelin

QTEST_MAIN(yarvelin::UploadChangesTest)
#include "upload_changes_test.moc"
