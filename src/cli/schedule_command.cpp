// yarvelin-feed schedule JOB WHEN: puts a job on its systemd timer (or off it), or says how it stands; the
// same scheduler as the wizard's Schedule window.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "cli/cli_command.h"
#include "jobs/job_scheduler.h"
#include "jobs/run_history.h"
#include "platform/posix_user_systemctl.h"

namespace yarvelin::cli {

namespace {

// This program, for the crontab line: cron's PATH rarely holds where it was installed.
std::string ThisProgram() {
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string("yarvelin-feed");
}

class CScheduleCommand : public CliCommand {
  public:
    const char* Name() const override { return "schedule"; }
    const char* Summary() const override { return "run a job on a schedule, or show its schedule"; }

    const char* Description() const override {
        return "Puts the job JOB (the name of a job in ~/.config/yarvelin/jobs/) on its systemd user timer,\n"
               "yarvelin-feed-run@JOB.timer: WHEN is hourly@N (every N hours from midnight, N 1 to 23),\n"
               "daily@HH:MM, weekly@DAY,HH:MM (DAY mon to sun), or off. The schedule is written to\n"
               "~/.config/systemd/user/yarvelin-feed-run@JOB.timer.d/schedule.conf, the user's systemd told "
               "to\n"
               "reload, and the timer enabled and started (off: stopped, disabled and the file removed).\n"
               "Without a systemd user manager the crontab line that does the same is printed instead.\n"
               "WHEN status prints the schedule, the next run and the last run, overdue or failed runs\n"
               "marked.";
    }

    const char* ExitStatuses() const override {
        return "Exit status: 0 done (or status shown), 1 failure or no user manager (the crontab line is "
               "printed), 2 usage error.";
    }

    void Configure(CLI::App& command) override {
        command.add_option("JOB", m_job, "the name of a job")->required()->type_name("JOB");
        command.add_option("WHEN", m_when, "hourly@N, daily@HH:MM, weekly@DAY,HH:MM, off or status")
            ->required()
            ->type_name("WHEN");
    }

    int Run() override {
        CPosixUserSystemctl systemctl;
        CJobScheduler scheduler(systemctl, ThisProgram());
        if (m_when == "status") {
            std::ifstream in(RunHistoryPath(), std::ios::binary);
            const std::string history((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            for (const ScheduleLine& line :
                 scheduler.Status(m_job, history, std::chrono::system_clock::now())) {
                std::printf("%s\n", line.text.c_str());
            }
            return kExitOk;
        }
        const std::optional<JobSchedule> schedule = ParseJobSchedule(m_when);
        if (!schedule) {
            throw CUsageError("WHEN is hourly@N, daily@HH:MM, weekly@DAY,HH:MM, off or status, not '" +
                              m_when + "'");
        }
        const ScheduleOutcome outcome = scheduler.Apply(m_job, *schedule);
        if (outcome.ok && !outcome.cron) {
            std::printf("%s\n", outcome.message.c_str());
            if (const auto next = NextRunAfter(*schedule, std::chrono::system_clock::now())) {
                std::printf("Next run: %s\n", LocalTimeText(*next).c_str());
            }
            return kExitOk;
        }
        PrintError(Name(), outcome.message);
        if (!outcome.cronLine.empty()) {
            std::printf("%s\n", outcome.cronLine.c_str());
        }
        return outcome.ok ? kExitOk : kExitFailure;
    }

  private:
    std::string m_job;
    std::string m_when;
};

const CCliRegistration kRegistration(std::make_unique<CScheduleCommand>());

}  // namespace

}  // namespace yarvelin::cli
