#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>
#include <set>

#include "app/main_property_sheet.h"
#include "app/program_names.h"
#include "app/wizard_rules.h"
#include "dialogs/account_setup_dlg.h"
#include "feed/feed_file.h"
#include "pages/start_page.h"
#include "platform/text_codec.h"
#include "support/test_gui.h"
#include "widgets/animated_label.h"

using namespace yarvelin;

namespace {

const char* const kSamples[] = {"SampleElectronics.txt", "SampleFlowers.txt", "SampleOffice.txt"};
const QString kOpenQuestion = A("You haven't opened a file. Would you like to open a file now?");
const QString kFilter = A("Text Files (*.txt)|*.txt|All Files (*.*)|*.*||");
const QString kLoaded = A("File opened and succesfully loaded. Press NEXT to continue.");

// The wizard over a test program folder that holds the shipped sample feeds.
struct Wizard {
    Wizard() {
        QDir(t.m_dir.path()).mkdir(QStringLiteral("Samples"));
        for (const char* name : kSamples) {
            QFile::copy(QStringLiteral(YARVELIN_SOURCE_DIR "/resources/Samples/") + QLatin1String(name),
                        SamplePath(name));
        }
    }
    void Build() {
        sheet = std::make_unique<CMainPropertySheet>(t.Gui(), false);
        page = sheet->StartPage();
        sheet->show();  // the sheet acts on visible buttons only
    }
    QString SamplePath(const char* name) const {
        return t.m_dir.path() + QStringLiteral("/Samples/") + QLatin1String(name);
    }
    QString WriteFeed(const QString& name, const QByteArray& bytes) const {
        const QString path = t.m_dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    template <class W>
    W* Find(const char* name) const {
        return page->findChild<W*>(QString::fromLatin1(name));
    }
    QListWidget* List() const { return Find<QListWidget>("fileList"); }
    QPushButton* OpenButton() const { return Find<QPushButton>("openButton"); }
    QString Status() const { return Find<QLabel>("statusLine")->text(); }
    int RowOf(const QString& path) const {
        const auto items = List()->findItems(path, Qt::MatchExactly);
        return items.isEmpty() ? -1 : List()->row(items.first());
    }
    void ChooseOpen() { QTest::mouseClick(Find<QRadioButton>("openFileRadio"), Qt::LeftButton); }
    void OpenRow(int row) {
        List()->setCurrentRow(row);
        QTest::mouseClick(OpenButton(), Qt::LeftButton);
    }
    bool UiDone() {
        const bool ok = t.m_ui.Done();
        if (!ok) {
            qWarning("%s", qPrintable(t.m_ui.Failure()));
        }
        return ok;
    }

    CTestGui t;
    std::unique_ptr<CMainPropertySheet> sheet;
    CPage1* page = nullptr;
};

const QByteArray kSmallFeed =
    "product_url\tname\tdescription\tprice\timage_url\tcategory\toffer_id\r\n"
    "http://a.example/1\tKettle\tSteel kettle\t20.00\thttp://a.example/1.jpg\tKitchen\tK1\r\n"
    "http://a.example/2\tToaster\tTwo slots\t25.00\thttp://a.example/2.jpg\tKitchen\tK2";

}  // namespace

class StartPageTest : public QObject {
    Q_OBJECT
  private slots:
    void startsInNewFileStateWithListAndOpenDisabled();
    void fileListHoldsMoreFilesRecentAndSamples_data();
    void fileListHoldsMoreFilesRecentAndSamples();
    void choicesEnableTheListAndSelectionEnablesOpen();
    void nextAtOnceProceedsWithAnEmptyFeed();
    void openWithoutFileAsksAndStays();
    void okToTheQuestionOpensAFileButStillStays();
    void openFileDialogCancelledChangesNothing();
    void utf8FileAsksWhatCannotBeKept();
    void doubleClickOpensTheEntry();
    void newFileAfterLoadForgetsThePreviousFeed();
    void replacingAnEditedFeedAsksFirst_data();
    void replacingAnEditedFeedAsksFirst();
    void openingASampleLeavesRecentListAlone_data();
    void openingASampleLeavesRecentListAlone();
    void cancelWithChangesAndYesLandsOnSavePage();
    void unsavedNewFeedIsNeverADeadEnd_data();
    void unsavedNewFeedIsNeverADeadEnd();
    void sideButtons();
    void linkWithoutABrowserGivesTheAddress();
    void shippedSamplesAreCompleteFeeds_data();
    void shippedSamplesAreCompleteFeeds();
};

void StartPageTest::startsInNewFileStateWithListAndOpenDisabled() {
    Wizard w;
    w.t.Doc().SetDataVerified(true);
    w.Build();
    QVERIFY(!w.t.Doc().IsDataVerified());  // cleared when the page is made
    QCOMPARE(w.sheet->ActiveIndex(), 0);
    QCOMPARE(w.page->CurrentMode(), int(CPage1::kModeNewFile));
    QVERIFY(w.page->IsNewFeed());
    QVERIFY(w.Find<QRadioButton>("newFileRadio")->isChecked());
    QVERIFY(!w.List()->isEnabled());
    QVERIFY(!w.OpenButton()->isEnabled());
    QCOMPARE(w.page->Caption(), A("Yarvelin : Step 1 > Create New Data Feed or Open Existing Feed File"));

    const struct {
        const char* name;
        const char* text;
    } labels[] = {{"headingLabel", "Welcome to Yarvelin. How would you like to start?"},
                  {"newFileLabel", "Create a NEW Quorvin datafeed file"},
                  {"openFileLabel", "Open An Existing File"}};
    for (const auto& [name, text] : labels) {
        auto* label = w.Find<CAnimatedLabel>(name);
        QCOMPARE(label->Text(), A(text));
        QVERIFY(IsBold(label->MainFontSpec()));
        QVERIFY(!label->HasBorder());
        QCOMPARE(label->FadeSteps(), 0);
        QCOMPARE(label->BackgroundColor(), w.page->palette().color(QPalette::Button));
    }
    QCOMPARE(w.Find<QLabel>("newFileNote")->text(),
             A("Select this option if you're creating a new feed file for your store."));
    QCOMPARE(w.Find<QLabel>("openFileNote")->text(), A("Select this option if you're opening an existing "
                                                       "feed file to modify or re-submit. Select and click "
                                                       "on the OPEN button."));
}

void StartPageTest::fileListHoldsMoreFilesRecentAndSamples_data() {
    QTest::addColumn<QStringList>("recent");
    QTest::newRow("no recent files") << QStringList{};
    QTest::newRow("two recent files") << QStringList{QStringLiteral("/shop/feeds/new.txt"),
                                                     QStringLiteral("/shop/feeds/Caf\u00e9 old.txt")};
}

void StartPageTest::fileListHoldsMoreFilesRecentAndSamples() {
    QFETCH(QStringList, recent);
    Wizard w;
    for (auto it = recent.crbegin(); it != recent.crend(); ++it) {
        w.t.m_app.RecentFeeds().Add(ToPath(*it));
    }
    w.Build();
    QStringList expected{A("More Files...")};
    expected << recent;
    expected << w.SamplePath("SampleOffice.txt") << w.SamplePath("SampleFlowers.txt")
             << w.SamplePath("SampleElectronics.txt");
    QStringList shown;
    for (int i = 0; i < w.List()->count(); ++i) {
        shown << w.List()->item(i)->text();
    }
    QCOMPARE(shown, expected);
}

void StartPageTest::choicesEnableTheListAndSelectionEnablesOpen() {
    Wizard w;
    w.Build();
    QTest::mouseClick(w.Find<CAnimatedLabel>("openFileLabel"), Qt::LeftButton);  // the label selects too
    QVERIFY(w.Find<QRadioButton>("openFileRadio")->isChecked());
    QCOMPARE(w.page->CurrentMode(), int(CPage1::kModeOpenFile));
    QVERIFY(!w.page->IsNewFeed());
    QVERIFY(w.List()->isEnabled());
    QVERIFY(!w.OpenButton()->isEnabled());  // keeps its state until an entry is picked
    w.List()->setCurrentRow(2);
    QVERIFY(w.OpenButton()->isEnabled());

    QTest::mouseClick(w.Find<CAnimatedLabel>("newFileLabel"), Qt::LeftButton);
    QVERIFY(w.Find<QRadioButton>("newFileRadio")->isChecked());
    QVERIFY(!w.List()->isEnabled());
    QVERIFY(!w.OpenButton()->isEnabled());

    // Coming back to the page reads the choice from the radio buttons again.
    w.ChooseOpen();
    w.t.m_ui.ExpectMessage(A("Yarvelin"), kOpenQuestion, MsgIcon::Question, MsgButtons::OkCancel,
                           MsgAnswer::Cancel);
    w.sheet->PressNext();
    QVERIFY(!w.sheet->BackButton()->isEnabled());  // a refused Next leaves the first step without Back
    QVERIFY(w.List()->isEnabled());
    QVERIFY(w.UiDone());
}

void StartPageTest::nextAtOnceProceedsWithAnEmptyFeed() {
    Wizard w;
    w.Build();
    w.sheet->PressNext();
    QCOMPARE(w.sheet->ActiveIndex(), 1);
    QCOMPARE(w.t.Doc().Count(), std::size_t(0));
    QVERIFY(w.UiDone());
}

void StartPageTest::openWithoutFileAsksAndStays() {
    Wizard w;
    w.Build();
    w.ChooseOpen();
    w.t.m_ui.ExpectMessage(A("Yarvelin"), kOpenQuestion, MsgIcon::Question, MsgButtons::OkCancel,
                           MsgAnswer::Cancel);
    w.sheet->PressNext();
    QCOMPARE(w.sheet->ActiveIndex(), 0);
    QVERIFY(w.UiDone());
}

void StartPageTest::okToTheQuestionOpensAFileButStillStays() {
    Wizard w;
    const QString feed = w.WriteFeed(QStringLiteral("kitchen.txt"), kSmallFeed);
    w.Build();
    w.ChooseOpen();
    w.t.m_ui.ExpectMessage(A("Yarvelin"), kOpenQuestion, MsgIcon::Question, MsgButtons::OkCancel,
                           MsgAnswer::Ok);
    w.t.m_ui.ExpectOpenFile(kFilter, feed);
    w.sheet->PressNext();
    QCOMPARE(w.sheet->ActiveIndex(), 0);
    QCOMPARE(w.t.m_ui.m_lastFileRequest.defaultExt, A("txt"));
    QCOMPARE(w.t.Doc().Count(), std::size_t(2));
    QCOMPARE(w.Status(), kLoaded);
    QCOMPARE(w.Find<QProgressBar>("progressBar")->value(), 100);
    QCOMPARE(w.t.m_app.RecentFeeds()[0], ToPath(feed));
    w.sheet->PressNext();
    QCOMPARE(w.sheet->ActiveIndex(), 1);
    QVERIFY(w.UiDone());
}

void StartPageTest::openFileDialogCancelledChangesNothing() {
    Wizard w;
    w.Build();
    w.t.Doc().NoteLoadedFrom("/before.txt");
    w.ChooseOpen();
    w.t.m_ui.ExpectOpenFile(kFilter, std::nullopt);
    w.OpenRow(0);
    QCOMPARE(w.t.Doc().FileName(), std::string("/before.txt"));
    QVERIFY(w.t.m_app.RecentFeeds().NonEmpty().empty());
    QVERIFY(w.Status().isEmpty());
    // Nothing picked: Open does nothing.
    w.List()->setCurrentRow(-1);
    QTest::mouseClick(w.OpenButton(), Qt::LeftButton);
    QVERIFY(w.UiDone());
}

void StartPageTest::utf8FileAsksWhatCannotBeKept() {
    Wizard w;
    const QString feed = w.WriteFeed(
        QStringLiteral("utf8.txt"),
        "product_url\tname\tdescription\r\nhttp://a.example/1\tCaf\xc3\xa9 \xc5\xbb\xc3\xb3\xc5\x82w\td");
    w.Build();
    w.t.Doc().NoteLoadedFrom("/before.txt");
    w.ChooseOpen();
    const QString question =
        feed + QString::fromUtf8(
                   " is written in UTF-8. These characters cannot be kept in the feed's Windows-1252 code "
                   "page and would each be read as '?':\n\nProduct 1, name: '\u017b' (U+017B)\n"
                   "Product 1, name: '\u0142' (U+0142)\n\nOpen the file anyway?");
    w.t.m_ui.ExpectOpenFile(kFilter, feed);
    w.t.m_ui.ExpectMessage(A(kAppTitle), question, MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::No);
    w.OpenRow(0);
    QCOMPARE(w.t.Doc().FileName(), std::string("/before.txt"));
    QVERIFY(w.t.m_app.RecentFeeds().NonEmpty().empty());
    QVERIFY(w.UiDone());

    w.t.m_ui.ExpectOpenFile(kFilter, feed);
    w.t.m_ui.ExpectMessage(A(kAppTitle), question, MsgIcon::Exclamation, MsgButtons::YesNo, MsgAnswer::Yes);
    w.OpenRow(0);
    QCOMPARE(w.Status(), kLoaded);
    QCOMPARE(w.t.Doc().Count(), std::size_t(1));
    QCOMPARE(std::string(w.t.Doc().At(0).Field(kColName)), std::string("Caf\xe9 ?\xf3?w"));
    QVERIFY(w.UiDone());
}

void StartPageTest::doubleClickOpensTheEntry() {
    Wizard w;
    w.Build();
    w.ChooseOpen();
    const int row = w.RowOf(w.SamplePath("SampleFlowers.txt"));
    QVERIFY(row > 0);
    QListWidgetItem* item = w.List()->item(row);
    w.List()->setCurrentItem(item);
    emit w.List()->itemDoubleClicked(item);
    QCOMPARE(w.t.Doc().Count(), std::size_t(25));
    QCOMPARE(w.Status(), kLoaded);
    QVERIFY(w.OpenButton()->isEnabled());
}

void StartPageTest::newFileAfterLoadForgetsThePreviousFeed() {
    Wizard w;
    w.Build();
    w.ChooseOpen();
    w.OpenRow(w.RowOf(w.SamplePath("SampleOffice.txt")));
    QCOMPARE(w.t.Doc().Count(), std::size_t(32));
    QCOMPARE(w.t.Doc().FileName(), ToPath(w.SamplePath("SampleOffice.txt")));

    // Nothing was edited, so nothing is asked; the new feed has no products and no name, so that a
    // backup cannot land on the file that was open.
    QTest::mouseClick(w.Find<QRadioButton>("newFileRadio"), Qt::LeftButton);
    QCOMPARE(w.t.Doc().Count(), std::size_t(0));
    QVERIFY(w.t.Doc().FileName().empty());
    QVERIFY(w.Status().isEmpty());
    QCOMPARE(w.Find<QProgressBar>("progressBar")->value(), 0);

    // A click on the choice already made, on its button or its label, changes nothing.
    w.t.Doc().AddOrReplaceRecord(COtherRecord());
    w.t.Doc().MarkChanged();
    QTest::mouseClick(w.Find<QRadioButton>("newFileRadio"), Qt::LeftButton);
    QTest::mouseClick(w.Find<CAnimatedLabel>("newFileLabel"), Qt::LeftButton);
    QCOMPARE(w.t.Doc().Count(), std::size_t(1));
    QVERIFY(w.t.Doc().IsChanged());
    w.sheet->PressNext();
    QCOMPARE(w.sheet->ActiveIndex(), 1);
    QVERIFY(w.UiDone());
}

// A new feed with unsaved products stays reachable: Cancel in the save-changes question returns to the new
// feed, and Next goes on with it however the choices stand.
void StartPageTest::unsavedNewFeedIsNeverADeadEnd_data() {
    QTest::addColumn<bool>("tryToOpen");
    QTest::newRow("cancel when opening a file") << true;
    QTest::newRow("next with open chosen") << false;
}

void StartPageTest::unsavedNewFeedIsNeverADeadEnd() {
    QFETCH(bool, tryToOpen);
    Wizard w;
    w.Build();
    w.t.Doc().AddOrReplaceRecord(COtherRecord());
    w.t.Doc().MarkChanged();
    w.ChooseOpen();
    if (tryToOpen) {
        w.t.m_ui.ExpectMessage(
            A("Yarvelin"),
            A("This data in this file has changed. \nDo you want to save the changes you made to this file?"),
            MsgIcon::Question, MsgButtons::YesNoCancel, MsgAnswer::Cancel);
        w.OpenRow(w.RowOf(w.SamplePath("SampleFlowers.txt")));
        QVERIFY(w.Find<QRadioButton>("newFileRadio")->isChecked());
        QVERIFY(!w.List()->isEnabled());
    }
    w.sheet->PressNext();
    QCOMPARE(w.sheet->ActiveIndex(), 1);
    QCOMPARE(w.t.Doc().Count(), std::size_t(1));
    QVERIFY(w.t.Doc().IsChanged());
    QVERIFY(w.UiDone());
}

void StartPageTest::linkWithoutABrowserGivesTheAddress() {
    Wizard w;
    w.Build();
    w.t.m_ui.m_browserOpens = false;
    const QString url = FromCp1252(AppConfig{}.articlesUrl);
    w.t.m_ui.ExpectMessage(A(kAppTitle),
                           A("No web browser could be opened for this page. Copy the address into your "
                             "browser:\n\n") +
                               url,
                           MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
    QTest::mouseClick(w.Find<QPushButton>("articlesButton"), Qt::LeftButton);
    QVERIFY(w.UiDone());
}

// Every way of replacing a feed that holds unsaved edits asks the save-changes question first and
// honours its answer: Yes shows the save page, Cancel keeps everything, No lets the edits go.
void StartPageTest::replacingAnEditedFeedAsksFirst_data() {
    QTest::addColumn<QString>("way");
    QTest::addColumn<int>("answer");
    for (const char* way : {"recent", "sample", "more files", "new file", "new file label"}) {
        for (const auto& [name, answer] : {std::pair{"yes", MsgAnswer::Yes}, std::pair{"no", MsgAnswer::No},
                                           std::pair{"cancel", MsgAnswer::Cancel}}) {
            QTest::addRow("%s, %s", way, name) << QString::fromLatin1(way) << int(answer);
        }
    }
}

void StartPageTest::replacingAnEditedFeedAsksFirst() {
    QFETCH(QString, way);
    QFETCH(int, answer);
    Wizard w;
    const QString edited = w.WriteFeed(QStringLiteral("edited.txt"), kSmallFeed);
    const QString other = w.WriteFeed(QStringLiteral("other.txt"), kSmallFeed + "\r\nu\tn\td\t1\ti\tc\tK3");
    w.t.m_app.RecentFeeds().Add(ToPath(other));
    w.t.m_app.RecentFeeds().Add(ToPath(edited));
    w.Build();
    w.ChooseOpen();
    w.OpenRow(w.RowOf(edited));
    QCOMPARE(w.t.Doc().Count(), std::size_t(2));
    w.t.Doc().AddOrReplaceRecord(COtherRecord());  // the user's edit
    w.t.Doc().MarkChanged();

    if (way == QStringLiteral("more files")) {
        w.t.m_ui.ExpectOpenFile(kFilter, other);
    }
    w.t.m_ui.ExpectMessage(
        A("Yarvelin"),
        A("This data in this file has changed. \nDo you want to save the changes you made to this file?"),
        MsgIcon::Question, MsgButtons::YesNoCancel, MsgAnswer(answer));
    if (way == QStringLiteral("recent")) {
        w.OpenRow(w.RowOf(other));
    } else if (way == QStringLiteral("sample")) {
        w.OpenRow(w.RowOf(w.SamplePath("SampleFlowers.txt")));
    } else if (way == QStringLiteral("more files")) {
        w.OpenRow(0);
    } else if (way == QStringLiteral("new file")) {
        QTest::mouseClick(w.Find<QRadioButton>("newFileRadio"), Qt::LeftButton);
    } else {
        QTest::mouseClick(w.Find<CAnimatedLabel>("newFileLabel"), Qt::LeftButton);
    }
    QVERIFY(w.UiDone());

    const bool newFile = way.startsWith(QStringLiteral("new file"));
    if (MsgAnswer(answer) == MsgAnswer::No) {
        QVERIFY(!w.t.Doc().IsChanged());
        QVERIFY(w.t.Doc().FileName() != ToPath(edited));
        QCOMPARE(w.page->IsNewFeed(), newFile);
        QCOMPARE(w.sheet->ActiveIndex(), 0);
        return;
    }
    // The edited feed is still there, untouched, and the choice on the page did not move.
    QCOMPARE(w.t.Doc().Count(), std::size_t(3));
    QVERIFY(w.t.Doc().IsChanged());
    QCOMPARE(w.t.Doc().FileName(), ToPath(edited));
    QVERIFY(w.Find<QRadioButton>("openFileRadio")->isChecked());
    QVERIFY(!w.page->IsNewFeed());
    if (MsgAnswer(answer) == MsgAnswer::Yes) {
        QCOMPARE(w.sheet->ActiveIndex(), 2);
        QCOMPARE(w.sheet->WizardButtons(), unsigned(kWizBack | kWizNext));
    } else {
        QCOMPARE(w.sheet->ActiveIndex(), 0);
    }
}

void StartPageTest::openingASampleLeavesRecentListAlone_data() {
    QTest::addColumn<int>("sample");
    QTest::newRow("electronics") << 0;
    QTest::newRow("flowers") << 1;
    QTest::newRow("office") << 2;
}

void StartPageTest::openingASampleLeavesRecentListAlone() {
    QFETCH(int, sample);
    Wizard w;
    w.t.m_app.RecentFeeds().Add("/shop/earlier.txt");
    w.Build();
    w.ChooseOpen();
    w.OpenRow(w.RowOf(w.SamplePath(kSamples[sample])));
    QCOMPARE(w.Status(), kLoaded);
    QCOMPARE(w.t.m_app.RecentFeeds().NonEmpty(), std::vector<std::string>{"/shop/earlier.txt"});
    QVERIFY(w.UiDone());
}

void StartPageTest::cancelWithChangesAndYesLandsOnSavePage() {
    Wizard w;
    w.Build();
    w.t.Doc().MarkChanged();
    w.t.m_ui.ExpectMessage(
        A("Yarvelin"),
        A("This data in this file has changed. \nDo you want to save the changes you made to this file?"),
        MsgIcon::Question, MsgButtons::YesNoCancel, MsgAnswer::Yes);
    QVERIFY(!w.page->OnQueryCancel());
    QCOMPARE(w.sheet->ActiveIndex(), 2);
    QVERIFY(w.UiDone());
}

void StartPageTest::sideButtons() {
    Wizard w;
    w.t.Doc().SetAccount("before");
    w.Build();
    QTest::mouseClick(w.Find<QPushButton>("articlesButton"), Qt::LeftButton);
    QCOMPARE(w.t.m_ui.m_openedUrls, QStringList{FromCp1252(AppConfig{}.articlesUrl)});
    QCOMPARE(w.Find<QPushButton>("accountSetupButton")->text(), A("&Account Setup"));

    bool sawAccount = false;
    QTimer::singleShot(0, [&sawAccount] {
        auto* dlg = qobject_cast<CAccountSetupDlg*>(QApplication::activeModalWidget());
        sawAccount = dlg != nullptr;
        if (dlg) {
            dlg->UserNameEdit()->setText(QStringLiteral("after"));
            dlg->accept();
        }
    });
    QTest::mouseClick(w.Find<QPushButton>("accountSetupButton"), Qt::LeftButton);
    QVERIFY(sawAccount);
    QCOMPARE(w.t.Doc().Account(), std::string("after"));

    QString aboutName;
    QTimer::singleShot(0, [&aboutName] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            aboutName = box->objectName();
            qobject_cast<QDialog*>(box)->reject();
        }
    });
    QTest::mouseClick(w.Find<QPushButton>("aboutButton"), Qt::LeftButton);
    QCOMPARE(aboutName, QStringLiteral("aboutBox"));
    QVERIFY(w.UiDone());
}

void StartPageTest::shippedSamplesAreCompleteFeeds_data() {
    QTest::addColumn<int>("sample");
    QTest::addColumn<int>("products");
    QTest::newRow("electronics") << 0 << 30;
    QTest::newRow("flowers") << 1 << 25;
    QTest::newRow("office") << 2 << 32;
}

void StartPageTest::shippedSamplesAreCompleteFeeds() {
    QFETCH(int, sample);
    QFETCH(int, products);
    Wizard w;
    QFile file(w.SamplePath(kSamples[sample]));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(!bytes.endsWith('\n'));
    QCOMPARE(bytes.count("\r\n"), bytes.count('\n'));  // CR LF only

    // Every line is a whole product: twenty columns, a unique offer id, a price with two decimals.
    const QList<QByteArray> lines = bytes.split('\n');
    int first = 0;
    while (lines[first].startsWith('#')) {
        ++first;
    }
    QVERIFY(first == 0 || first == 4);
    QCOMPARE(lines[first].chopped(1), QByteArray::fromStdString(BuildColumnLine(false)));
    QCOMPARE(lines.size() - first - 1, products);
    std::set<std::string> offerIds;
    for (int i = first + 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
        const auto fields = SplitFeedLine(line.toStdString());
        QCOMPARE(int(fields.size()), kColumnCount);
        QVERIFY(offerIds.insert(fields[6]).second);
        QVERIFY(QByteArray::fromStdString(fields[3]).contains('.'));
        QCOMPARE(fields[17], std::string("OTHER"));
    }

    w.Build();
    w.ChooseOpen();
    w.OpenRow(w.RowOf(w.SamplePath(kSamples[sample])));
    QCOMPARE(int(w.t.Doc().Count()), products);
    QCOMPARE(w.Status(), kLoaded);
}

QTEST_MAIN(StartPageTest)
#include "start_page_test.moc"
