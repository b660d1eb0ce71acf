// The check before an upload over a feed file, as "&Upload" runs it: read and check the file, then ask.
// Times the user-interface thread (wall and CPU) and records how much memory the check added at its peak
// and how many findings it held for the diagnostics window.
//
//   python3 bench/generate_feed.py 1000000 /tmp/feed1m.txt
//   QT_QPA_PLATFORM=offscreen build/bench/bench/upload_question_bench /tmp/feed1m.txt [runs=3] [shot.png]
//
// With a third argument, the progress window of the first run is pictured a second after the start.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>

#include "app/settings_store.h"
#include "app/yarvelin_app.h"
#include "app/yarvelin_gui.h"
#include "checks/feed_diagnosis.h"
#include "dialogs/diagnostics_dlg.h"
#include "feed/feed_file.h"
#include "window_bench.h"

using namespace yarvelin;

namespace {

// A value of /proc/self/status in kB ("VmRSS", "VmHWM").
long StatusKb(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string name;
    long kb = 0;
    while (status >> name) {
        if (name == key + ":") {
            status >> kb;
            return kb;
        }
        status.ignore(1 << 10, '\n');
    }
    return 0;
}

// Starts the peak afresh, so that it tells what the next step adds.
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The question counts as answered when it is asked: the time until then is what the user waits.
class CCountingUi : public CFixedAnswerUi {
  public:
    CCountingUi() : CFixedAnswerUi(MsgAnswer::No) {}
    MsgAnswer MessageBox(QWidget* parent, const QString& caption, const QString& text, MsgIcon icon,
                         MsgButtons buttons) override {
        ++m_questions;
        return CFixedAnswerUi::MessageBox(parent, caption, text, icon, buttons);
    }
    int m_questions = 0;
};

}  // namespace

int main(int argc, char** argv) {
    PrepareWindowBenchmark();
    QApplication qapp(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: upload_question_bench FEED [runs]\n");
        return 2;
    }
    const std::string feed = argv[1];
    const int runs = argc > 2 ? std::stoi(argv[2]) : 3;

    QTemporaryDir dir;
    CYarvelinApp app;
    CMemorySettingsStore store;
    CCountingUi ui;
    CYarvelinGui gui(app, store, ui, AppConfig{}, dir.path());

    // What the window would be given: the findings the check keeps.
    struct CQuietObserver : CFeedFileObserver {
        void ShowFileError(const std::string&) override {}
        void ShowFormatError() override {}
    } quiet;
    const FeedDiagnosis kept =
        DiagnoseFile(feed, app.Categories(), CurrentLocalDateTime(), quiet, kDiagnosticsWindowPerCode);
    std::printf("feed: %s\nproducts: %zu, errors: %zu, findings counted: %zu, findings kept: %zu\n",
                feed.c_str(), kept.totals.products, kept.totals.errors,
                kept.totals.errors + kept.totals.warnings + kept.totals.notes, kept.findings.size());

    if (argc > 3) {
        const QString shot = QString::fromLocal8Bit(argv[3]);
        QTimer::singleShot(1000, [shot] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                modal->grab().save(shot);
            }
        });
    }
    double bestWall = 1e300;
    double bestCpu = 1e300;
    long peakAddedKb = 0;
    for (int run = 0; run < runs; ++run) {
        const long before = StatusKb("VmRSS");
        ResetPeak();
        QElapsedTimer timer;
        const double cpu = CpuMs();
        timer.start();
        const auto check =
            CDiagnosticsDlg::ConfirmBeforeUpload(gui, nullptr, feed, "ftp.example", "feed.txt");
        QApplication::processEvents();
        const double wall = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        const double used = CpuMs() - cpu;
        peakAddedKb = std::max(peakAddedKb, StatusKb("VmHWM") - before);
        bestWall = std::min(bestWall, wall);
        bestCpu = std::min(bestCpu, used);
        std::printf("  run %d: %8.1f ms wall %8.1f ms cpu (interface thread), go on: %s\n", run + 1, wall,
                    used, check.goOn ? "yes" : "no");
    }
    std::printf(
        "best: %.1f ms wall, %.1f ms cpu of the interface thread; peak memory added: %.1f MB; "
        "questions asked: %d\n",
        bestWall, bestCpu, static_cast<double>(peakAddedKb) / 1024.0, ui.m_questions);
    return 0;
}
