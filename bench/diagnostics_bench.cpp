// The diagnostics in the wizard over a large feed, offscreen: the check alone, the window's first showing,
// a check again after a store (what a double-click and Save Changes cost) and the check before a save,
// against the product list page's activation over the same feed as the baseline.
//
//   QT_QPA_PLATFORM=offscreen build/bench/diagnostics_bench [products=100000]
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTreeView>
#include <cstdio>
#include <ctime>
#include <string>

#include "app/settings_store.h"
#include "app/yarvelin_app.h"
#include "app/yarvelin_gui.h"
#include "checks/feed_diagnosis.h"
#include "dialogs/diagnostics_dlg.h"
#include "dialogs/diagnostics_model.h"
#include "pages/product_list_page.h"
#include "platform/ui_services.h"
#include "records/builtin_lists.h"
#include "window_bench.h"

using namespace yarvelin;

namespace {

// A catalogue as merchants have them: mostly clean, with a few of each kind of problem.
COtherRecord Product(std::size_t i) {
    COtherRecord r = KitchenScale(i);
    const std::string n = std::to_string(i);
    const auto& categories = BuiltinCategories();
    r.SetField(
        kColDescription,
        "Digital kitchen scale with tare function, 5 kg capacity and 1 g resolution. Batteries included.");
    r.SetField(kColPrice, i % 200 == 7 ? "12,99" : std::to_string(10 + i % 90) + ".99");
    r.SetField(kColCategory, i % 50 == 3 ? "Kitchen > Scales" : categories[i % categories.size()]);
    r.SetField(kColOfferId, i % 1000 == 999 ? "OFF-" + std::to_string(i - 1) : "OFF-" + n);
    r.SetField(kColUpc, i % 10 == 0 ? "036000291453" : "036000291452");
    r.SetField(kColExpDate, i % 20 == 0 ? "203012311200" : "");
    r.SetField(kColDelete, i % 100 == 0 ? "Y" : "");
    return r;
}

template <typename F>
Timing Time(F&& f) {
    QElapsedTimer timer;
    const double cpu = CpuMs();
    timer.start();
    f();
    // Painting is part of what the user waits for.
    QApplication::processEvents();
    return {static_cast<double>(timer.nsecsElapsed()) / 1e6, CpuMs() - cpu};
}

void Report(const char* what, Timing t) {
    std::printf("  %-48s %9.1f ms wall %9.1f ms cpu\n", what, t.wallMs, t.cpuMs);
}

}  // namespace

int main(int argc, char** argv) {
    PrepareWindowBenchmark();
    QApplication qapp(argc, argv);
    const std::size_t count = argc > 1 ? std::stoul(argv[1]) : 100000;

    QTemporaryDir dir;
    CYarvelinApp app;
    CMemorySettingsStore store;
    CFixedAnswerUi ui(MsgAnswer::No);  // go on without looking
    CYarvelinGui gui(app, store, ui, AppConfig{}, dir.path());
    for (std::size_t i = 0; i < count; ++i) {
        gui.Document().AddOrReplaceRecord(Product(i));
    }
    std::printf("products: %zu\n", count);

    CPage3 page(gui);
    page.resize(800, 500);
    page.show();
    QApplication::processEvents();
    Report("baseline: product list page activation", Time([&] { page.OnSetActive(); }));

    FeedDiagnosis diagnosis;
    Report("check alone (engine over every product)", Time([&] {
               diagnosis = DiagnoseDocument(gui.Document(), app.Categories(), false, CurrentLocalDateTime());
           }));
    std::printf("  findings: %zu (%zu errors in %zu products, %zu warnings, %zu notes)\n",
                diagnosis.findings.size(), diagnosis.totals.errors, diagnosis.totals.productsWithErrors,
                diagnosis.totals.warnings, diagnosis.totals.notes);

    CDiagnosticsDlg* window = nullptr;
    Report("window: check, fill, show and paint", Time([&] {
               window = new CDiagnosticsDlg(gui, false);
               window->resize(820, 480);
               window->show();
           }));
    window->SetEditorRunner([&](std::size_t position) {
        COtherRecord fixed = gui.Document().At(position);
        fixed.SetField(kColPrice, "12.99");
        gui.Document().AddOrReplaceRecord(fixed, position);
        return true;
    });
    const QModelIndex prices = window->Model()->GroupIndex(DiagnosticCode::kPriceInvalid);
    Report("window: store from the editor, check again",
           Time([&] { window->OpenFinding(window->Model()->index(0, 0, prices)); }));
    delete window;
    Report("question before a save (check, no errors shown)",
           Time([&] { CDiagnosticsDlg::ConfirmBeforeSave(gui, &page, false); }));
    return 0;
}
