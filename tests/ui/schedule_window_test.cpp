// The upload page's Schedule button and the Schedule window, with a stand-in systemctl first on PATH: the
// window's controls state the schedule, Apply reaches the user manager, the status lines mark a failed
// run, and without a manager the crontab line is there to copy.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "app/program_names.h"
#include "jobs/feed_job.h"
#include "jobs/job_schedule.h"
#include "jobs/run_history.h"
#include "jobs/schedule_dlg.h"
#include "pages/upload_page.h"
#include "platform/posix_user_systemctl.h"
#include "platform/text_codec.h"
#include "support/fake_systemctl.h"
#include "support/test_gui.h"
#include "support/widget_lookup.h"

namespace yarvelin {

using testing::CFakeSystemctl;

class ScheduleWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void ScheduleOffersToSaveTheJobFirst();
    void ApplyPutsTheChosenScheduleOnTheTimer_data();
    void ApplyPutsTheChosenScheduleOnTheTimer();
    void WindowShowsTheScheduleAndAFailedRun();
    void WithoutAUserManagerTheCrontabLineIsOffered();

  private:
    std::unique_ptr<CScheduleDlg> Window();
    std::filesystem::path Dir() const { return ToPath(m_dir->path()); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CFakeSystemctl> m_systemctl;
    CPosixUserSystemctl m_userSystemctl;
};

void ScheduleWindowTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    m_systemctl = std::make_unique<CFakeSystemctl>(Dir());
    qputenv("PATH", QByteArray::fromStdString(m_systemctl->Path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->filePath(QStringLiteral("config"))));
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_dir->filePath(QStringLiteral("state"))));
    QDir(m_dir->path()).mkpath(QStringLiteral("runtime"));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_dir->filePath(QStringLiteral("runtime"))));
    qputenv("FAKE_SYSTEMCTL_FAIL", "");
    std::filesystem::create_directories(JobsFolder());
    testing::WriteBytes(JobsFolder() + "/shop.toml", "[source]\nfeed = \"shop.txt\"\n");
}

std::unique_ptr<CScheduleDlg> ScheduleWindowTest::Window() {
    return std::make_unique<CScheduleDlg>("shop", m_userSystemctl, "/usr/bin/yarvelin-feed",
                                          (Dir() / "state/yarvelin/history.jsonl").string());
}

void ScheduleWindowTest::ScheduleOffersToSaveTheJobFirst() {
    CTestGui t;
    t.Doc().SetAccount("GreenLeafGardens");
    const std::string saved = ToPath(t.m_dir.filePath(QStringLiteral("GreenLeafGardens.txt")));
    t.Doc().NoteFeedFileWritten(saved);
    CPage5 page(t.Gui());
    page.resize(760, 480);
    page.show();
    page.OnSetActive();
    auto* saveJob = FindChild<QPushButton>(page, "saveJobButton");
    auto* schedule = FindChild<QPushButton>(page, "scheduleButton");
    // Beside Save as Job, on its row, and enabled with it.
    QVERIFY(schedule->isEnabled());
    QCOMPARE(schedule->geometry().top(), saveJob->geometry().top());
    QVERIFY(schedule->geometry().left() >= saveJob->geometry().right());

    QString opened;
    page.m_runSchedule = [&](CScheduleDlg& dlg) {
        opened = dlg.windowTitle();
        return 0;
    };
    const QString jobFile = FromPath(JobsFolder() + "/GreenLeafGardens.toml");
    t.m_ui.ExpectMessage(A(kAppTitle),
                         A("The upload must be saved as a job in ") + FromPath(JobsFolder()) +
                             A(" before it can be scheduled.\nSave it as a job now?"),
                         MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::Yes);
    t.m_ui.ExpectSaveFile(A("Job Files (*.toml)|*.toml|All Files (*.*)|*.*||"), jobFile, jobFile);
    t.m_ui.ExpectMessage(
        A(kAppTitle),
        A("The job was saved in ") + jobFile +
            A(".\nyarvelin-feed run checks, writes and uploads this feed with it. The password "
              "stays in the keyring: add a password file to the job to run it unattended."),
        MsgIcon::Information, MsgButtons::Ok, MsgAnswer::Ok);
    schedule->click();
    QVERIFY2(t.m_ui.Done(), qPrintable(t.m_ui.Failure()));
    QCOMPARE(opened, A("Schedule Job"));

    // Saved once, the job is scheduled without a question.
    opened.clear();
    schedule->click();
    QCOMPARE(opened, A("Schedule Job"));
}

void ScheduleWindowTest::ApplyPutsTheChosenScheduleOnTheTimer_data() {
    QTest::addColumn<QString>("radio");
    QTest::addColumn<QString>("expected");
    QTest::newRow("every 4 hours") << QStringLiteral("hourlyRadio") << QStringLiteral("hourly@4");
    QTest::newRow("daily") << QStringLiteral("dailyRadio") << QStringLiteral("daily@04:15");
    QTest::newRow("weekly") << QStringLiteral("weeklyRadio") << QStringLiteral("weekly@fri,04:15");
}

void ScheduleWindowTest::ApplyPutsTheChosenScheduleOnTheTimer() {
    QFETCH(QString, radio);
    QFETCH(QString, expected);
    const auto window = Window();
    QVERIFY(FindChild<QRadioButton>(*window, "offRadio")->isChecked());
    QVERIFY(!FindChild<QTimeEdit>(*window, "dailyTime")->isEnabled());
    FindChild<QRadioButton>(*window, radio.toLatin1().constData())->setChecked(true);
    FindChild<QSpinBox>(*window, "hoursSpin")->setValue(4);
    FindChild<QTimeEdit>(*window, "dailyTime")->setTime(QTime(4, 15));
    FindChild<QComboBox>(*window, "dayCombo")->setCurrentText(QStringLiteral("Friday"));
    FindChild<QTimeEdit>(*window, "weeklyTime")->setTime(QTime(4, 15));
    FindChild<QPushButton>(*window, "applyButton")->click();

    QCOMPARE(QString::fromStdString(JobScheduleText(window->Chosen())), expected);
    QVERIFY(CJobScheduler::Current("shop") == ParseJobSchedule(expected.toStdString()));
    QVERIFY(m_systemctl->Calls().find("--user enable --now yarvelin-feed-run@shop.timer\n") !=
            std::string::npos);
    // The status lines are made again after Apply.
    QVERIFY(FindChild<QLabel>(*window, "statusLine1")->text().startsWith(QStringLiteral("Next run: ")));
    QVERIFY(FindChild<QLineEdit>(*window, "cronLine")->isHidden());
}

void ScheduleWindowTest::WindowShowsTheScheduleAndAFailedRun() {
    RunRecord run;
    run.job = "shop";
    run.start = run.end = std::chrono::system_clock::now() - std::chrono::hours(3);
    run.status = kRunFailed;
    run.products = 120;
    run.reason = "the upload failed: 530 Login incorrect.";
    QVERIFY(AppendRunRecord((Dir() / "state/yarvelin/history.jsonl").string(), run));
    CJobScheduler(m_userSystemctl, "yarvelin-feed").Apply("shop", *ParseJobSchedule("weekly@tue,22:45"));

    const auto window = Window();
    QVERIFY(FindChild<QRadioButton>(*window, "weeklyRadio")->isChecked());
    QCOMPARE(FindChild<QComboBox>(*window, "dayCombo")->currentText(), QStringLiteral("Tuesday"));
    QCOMPARE(FindChild<QTimeEdit>(*window, "weeklyTime")->time(), QTime(22, 45));
    QVERIFY(FindChild<QLabel>(*window, "statusLine2")->property("alarm").toBool());  // the failed run
    QVERIFY(!FindChild<QLabel>(*window, "statusLine0")->property("alarm").toBool());
    window->show();
    QVERIFY(SaveScreenshot(*window, QStringLiteral("schedule_window.png")));
}

void ScheduleWindowTest::WithoutAUserManagerTheCrontabLineIsOffered() {
    qputenv("FAKE_SYSTEMCTL_FAIL", "daemon-reload");
    const auto window = Window();
    FindChild<QRadioButton>(*window, "dailyRadio")->setChecked(true);
    FindChild<QPushButton>(*window, "applyButton")->click();
    auto* cron = FindChild<QLineEdit>(*window, "cronLine");
    QVERIFY(!cron->isHidden());
    QCOMPARE(cron->text(),
             FromPath("30 3 * * * flock -n " + (Dir() / "state/yarvelin/locks/shop.cron.lock").string() +
                      " /usr/bin/yarvelin-feed run shop"));
    QVERIFY(cron->isReadOnly());
    QCOMPARE(cron->selectedText(), cron->text());  // ready to copy
    QVERIFY(!FindChild<QLabel>(*window, "resultLine")->property("alarm").toBool());
    QVERIFY(FindChild<QLabel>(*window, "resultLine")
                ->text()
                .endsWith(A("add this line with crontab -e to run the job daily at 03:30:")));
}

}  // namespace yarvelin

QTEST_MAIN(yarvelin::ScheduleWindowTest)
#include "schedule_window_test.moc"
