// The Schedule window of the upload page: when the saved job runs by itself (off, every N hours, daily or
// weekly), how it stands (the schedule, the next run, the last run), and the crontab line to copy where
// no systemd user manager runs. The work is CJobScheduler's.
#pragma once

#include <QDialog>
#include <string>

#include "jobs/job_scheduler.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimeEdit;
class QVBoxLayout;

namespace yarvelin {

class CScheduleDlg : public QDialog {
    Q_OBJECT
  public:
    // program: the yarvelin-feed a crontab line starts; historyPath: the run history to show the last run
    // from.
    CScheduleDlg(const std::string& job, UserSystemctl& systemctl, const std::string& program,
                 std::string historyPath, QWidget* parent = nullptr);

    // The schedule the controls state.
    JobSchedule Chosen() const;

  public slots:
    void OnApply();

  private:
    void ShowSchedule(const JobSchedule& schedule);
    void UpdateControls();
    void UpdateStatus();

    std::string m_job;
    CJobScheduler m_scheduler;
    std::string m_historyPath;
    QRadioButton* m_off = nullptr;
    QRadioButton* m_hourly = nullptr;
    QRadioButton* m_daily = nullptr;
    QRadioButton* m_weekly = nullptr;
    QSpinBox* m_hours = nullptr;
    QTimeEdit* m_dailyTime = nullptr;
    QComboBox* m_day = nullptr;
    QTimeEdit* m_weeklyTime = nullptr;
    QVBoxLayout* m_statusLines = nullptr;
    QLabel* m_result = nullptr;
    QLabel* m_cronCaption = nullptr;
    QLineEdit* m_cronLine = nullptr;
    QPushButton* m_apply = nullptr;
};

}  // namespace yarvelin
