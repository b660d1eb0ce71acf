// Shared by the window benchmarks: the offscreen start, a sample product, the CPU time of this thread, and
// a user who gives every question the same answer so that no dialog ever opens.
#pragma once

#include <QtGlobal>
#include <cstddef>
#include <cstdio>
#include <ctime>
#include <string>

#include "platform/ui_services.h"
#include "records/other_record.h"

namespace yarvelin {

// Offscreen unless the caller chose a platform; output goes out line by line, so that a benchmark piped
// into a file or killed half way still shows what it measured. Call before the QApplication is made.
inline void PrepareWindowBenchmark() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
}

// A clean product of a kitchen shop, numbered i; each benchmark changes what it needs on top.
inline COtherRecord KitchenScale(std::size_t i) {
    COtherRecord r;
    const std::string n = std::to_string(i);
    r.SetField(kColProductUrl, "https://www.example-shop.com/catalog/item" + n + ".html");
    r.SetField(kColName, "Stainless steel kitchen scale, model " + n);
    r.SetField(kColDescription,
               "Digital kitchen scale with tare function, 5 kg capacity and 1 g resolution.");
    r.SetField(kColPrice, std::to_string(10 + i % 90) + ".99");
    r.SetField(kColImageUrl, "https://img.example-shop.com/images/item" + n + ".jpg");
    r.SetField(kColCategory, "Home & Garden > Kitchen > Appliances");
    r.SetField(kColOfferId, "OFF-" + n);
    r.SetField(kColInstock, "Y");
    r.SetField(kColShipping, "4.95");
    r.SetField(kColCurrency, i % 3 ? "USD" : "EUR");
    r.SetField(kColProductType, "OTHER");
    return r;
}

inline double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Wall time and the CPU time of this thread: on a shared machine the second says what the work costs.
struct Timing {
    double wallMs;
    double cpuMs;
};

class CFixedAnswerUi : public UiServices {
  public:
    explicit CFixedAnswerUi(MsgAnswer answer) : m_answer(answer) {}
    MsgAnswer MessageBox(QWidget*, const QString&, const QString&, MsgIcon, MsgButtons) override {
        return m_answer;
    }
    std::optional<QString> OpenFileDialog(QWidget*, const FileDialogRequest&) override { return {}; }
    std::optional<QString> SaveFileDialog(QWidget*, const FileDialogRequest&) override { return {}; }
    bool OpenUrl(const QString&) override { return true; }
    std::optional<QString> ShowHelpTopic(QWidget*, const QString&) override { return {}; }
    void Beep() override {}

  private:
    MsgAnswer m_answer;
};

}  // namespace yarvelin
