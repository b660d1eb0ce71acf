#include "jobs/schedule_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <chrono>
#include <fstream>
#include <iterator>

#include "platform/text_codec.h"

namespace yarvelin {

namespace {

// The scheduler's messages hold paths and systemctl's own words, both in the system's 8-bit form (UTF-8);
// the rest of them is ASCII.
QString CoreText(const std::string& text) {
    return FromPath(text);
}

// Red, for a failure or an overdue run.
void MarkAlarm(QLabel* label, bool alarm) {
    label->setProperty("alarm", alarm);
    QPalette palette = label->palette();
    palette.setColor(
        QPalette::WindowText,
        alarm ? QColor(0xb0, 0x00, 0x20) : label->parentWidget()->palette().color(QPalette::WindowText));
    label->setPalette(palette);
}

QTimeEdit* MakeTimeEdit(const char* name, const char* accessibleName, QWidget* parent) {
    auto* edit = new QTimeEdit(QTime(3, 30), parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setDisplayFormat(QStringLiteral("HH:mm"));
    edit->setAccessibleName(A(accessibleName));
    return edit;
}

}  // namespace

CScheduleDlg::CScheduleDlg(const std::string& job, UserSystemctl& systemctl, const std::string& program,
                           std::string historyPath, QWidget* parent)
    : QDialog(parent), m_job(job), m_scheduler(systemctl, program), m_historyPath(std::move(historyPath)) {
    setObjectName(QStringLiteral("scheduleDialog"));
    setWindowTitle(A("Schedule Job"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(A("Run the job ") + FromPath(job) +
                                 A(" by itself: systemd's timer for your account starts yarvelin-feed run, "
                                   "also after the computer was off at that time."),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto* when = new QGroupBox(A("When"), this);
    auto* grid = new QGridLayout(when);
    m_off = new QRadioButton(A("&Off"), when);
    m_off->setObjectName(QStringLiteral("offRadio"));
    m_hourly = new QRadioButton(A("&Every"), when);
    m_hourly->setObjectName(QStringLiteral("hourlyRadio"));
    m_hours = new QSpinBox(when);
    m_hours->setObjectName(QStringLiteral("hoursSpin"));
    m_hours->setRange(1, 23);
    m_hours->setValue(6);
    m_hours->setSuffix(A(" hours, from midnight"));
    m_hours->setAccessibleName(A("Hours between runs"));
    m_daily = new QRadioButton(A("&Daily at"), when);
    m_daily->setObjectName(QStringLiteral("dailyRadio"));
    m_dailyTime = MakeTimeEdit("dailyTime", "Daily run time", when);
    m_weekly = new QRadioButton(A("&Weekly on"), when);
    m_weekly->setObjectName(QStringLiteral("weeklyRadio"));
    m_day = new QComboBox(when);
    m_day->setObjectName(QStringLiteral("dayCombo"));
    m_day->setAccessibleName(A("Day of the week"));
    for (int day : {1, 2, 3, 4, 5, 6, 0}) {
        m_day->addItem(A(WeekdayName(day)), day);
    }
    auto* at = new QLabel(A("at"), when);
    m_weeklyTime = MakeTimeEdit("weeklyTime", "Weekly run time", when);
    grid->addWidget(m_off, 0, 0);
    grid->addWidget(m_hourly, 1, 0);
    grid->addWidget(m_hours, 1, 1, 1, 3);
    grid->addWidget(m_daily, 2, 0);
    grid->addWidget(m_dailyTime, 2, 1);
    grid->addWidget(m_weekly, 3, 0);
    grid->addWidget(m_day, 3, 1);
    grid->addWidget(at, 3, 2);
    grid->addWidget(m_weeklyTime, 3, 3);
    grid->setColumnStretch(4, 1);
    layout->addWidget(when);

    auto* status = new QGroupBox(A("Now"), this);
    status->setObjectName(QStringLiteral("statusGroup"));
    m_statusLines = new QVBoxLayout(status);
    layout->addWidget(status);

    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("resultLine"));
    m_result->setWordWrap(true);
    layout->addWidget(m_result);
    m_cronCaption = new QLabel(A("C&rontab line:"), this);
    m_cronLine = new QLineEdit(this);
    m_cronLine->setObjectName(QStringLiteral("cronLine"));
    m_cronLine->setReadOnly(true);
    m_cronCaption->setBuddy(m_cronLine);
    layout->addWidget(m_cronCaption);
    layout->addWidget(m_cronLine);
    m_cronCaption->hide();
    m_cronLine->hide();

    auto* buttons = new QDialogButtonBox(this);
    m_apply = buttons->addButton(A("&Apply"), QDialogButtonBox::ApplyRole);
    m_apply->setObjectName(QStringLiteral("applyButton"));
    m_apply->setDefault(true);
    QPushButton* close = buttons->addButton(A("Close"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("closeButton"));
    layout->addWidget(buttons);
    connect(m_apply, &QPushButton::clicked, this, &CScheduleDlg::OnApply);
    connect(buttons, &QDialogButtonBox::rejected, this, &CScheduleDlg::reject);
    for (QRadioButton* radio : {m_off, m_hourly, m_daily, m_weekly}) {
        connect(radio, &QRadioButton::toggled, this, [this] { UpdateControls(); });
    }

    // A calendar written by hand into the drop-in shows as the status line says; the controls stay off.
    ShowSchedule(CJobScheduler::Current(m_job).value_or(JobSchedule{}));
    UpdateStatus();
    setMinimumWidth(480);
}

void CScheduleDlg::ShowSchedule(const JobSchedule& s) {
    switch (s.kind) {
        case ScheduleKind::kOff:
            m_off->setChecked(true);
            break;
        case ScheduleKind::kHourly:
            m_hourly->setChecked(true);
            m_hours->setValue(s.everyHours);
            break;
        case ScheduleKind::kDaily:
            m_daily->setChecked(true);
            m_dailyTime->setTime(QTime(s.hour, s.minute));
            break;
        case ScheduleKind::kWeekly:
            m_weekly->setChecked(true);
            m_day->setCurrentIndex(m_day->findData(s.weekday));
            m_weeklyTime->setTime(QTime(s.hour, s.minute));
            break;
    }
    UpdateControls();
}

void CScheduleDlg::UpdateControls() {
    m_hours->setEnabled(m_hourly->isChecked());
    m_dailyTime->setEnabled(m_daily->isChecked());
    m_day->setEnabled(m_weekly->isChecked());
    m_weeklyTime->setEnabled(m_weekly->isChecked());
}

JobSchedule CScheduleDlg::Chosen() const {
    JobSchedule s;
    if (m_hourly->isChecked()) {
        s.kind = ScheduleKind::kHourly;
        s.everyHours = m_hours->value();
    } else if (m_daily->isChecked()) {
        s.kind = ScheduleKind::kDaily;
        s.hour = m_dailyTime->time().hour();
        s.minute = m_dailyTime->time().minute();
    } else if (m_weekly->isChecked()) {
        s.kind = ScheduleKind::kWeekly;
        s.weekday = m_day->currentData().toInt();
        s.hour = m_weeklyTime->time().hour();
        s.minute = m_weeklyTime->time().minute();
    }
    return s;
}

void CScheduleDlg::OnApply() {
    const ScheduleOutcome outcome = m_scheduler.Apply(m_job, Chosen());
    m_result->setText(CoreText(outcome.message));
    MarkAlarm(m_result, !outcome.ok && !outcome.cron);
    m_cronLine->setText(CoreText(outcome.cronLine));
    m_cronCaption->setVisible(!outcome.cronLine.empty());
    m_cronLine->setVisible(!outcome.cronLine.empty());
    if (!outcome.cronLine.empty()) {
        m_cronLine->selectAll();
        m_cronLine->setFocus();
    }
    UpdateStatus();
}

void CScheduleDlg::UpdateStatus() {
    while (QLayoutItem* item = m_statusLines->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    std::ifstream in(m_historyPath, std::ios::binary);
    const std::string history((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int row = 0;
    for (const ScheduleLine& line : m_scheduler.Status(m_job, history, std::chrono::system_clock::now())) {
        auto* label = new QLabel(CoreText(line.text), m_statusLines->parentWidget());
        label->setObjectName(QStringLiteral("statusLine%1").arg(row++));
        label->setWordWrap(true);
        MarkAlarm(label, line.alarm);
        m_statusLines->addWidget(label);
    }
}

}  // namespace yarvelin
