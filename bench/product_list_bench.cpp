// Product list and summary over a large feed, offscreen: time of every rebuild and memory per product,
// against a table of per-cell items as the baseline.
//
//   QT_QPA_PLATFORM=offscreen build/bench/product_list_bench [products=100000] [--baseline]
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "app/settings_names.h"
#include "app/settings_store.h"
#include "app/yarvelin_app.h"
#include "app/yarvelin_gui.h"
#include "dialogs/find_replace_dlg.h"
#include "dialogs/set_column_dlg.h"
#include "dialogs/summary_dlg.h"
#include "pages/product_list_page.h"
#include "pages/product_table_model.h"
#include "platform/ui_services.h"
#include "window_bench.h"

using namespace yarvelin;

namespace {

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

COtherRecord Product(std::size_t i) {
    COtherRecord r = KitchenScale(i);
    r.urls_checked = i % 2 == 0;
    r.product_url_ok = true;
    return r;
}

double Settle(QElapsedTimer& timer) {
    // Painting is part of what the user waits for.
    QApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

template <typename F>
double Time(F&& f) {
    QElapsedTimer timer;
    timer.start();
    f();
    return Settle(timer);
}

void Report(const char* what, double ms) {
    std::printf("  %-44s %9.1f ms\n", what, ms);
}

}  // namespace

int main(int argc, char** argv) {
    PrepareWindowBenchmark();
    QApplication qapp(argc, argv);
    std::size_t count = 100000;
    bool baseline = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--baseline") == 0) {
            baseline = true;
        } else {
            count = std::stoul(argv[i]);
        }
    }

    QTemporaryDir dir;
    CYarvelinApp app;
    CMemorySettingsStore store;
    CFixedAnswerUi ui(MsgAnswer::Yes);  // every question
    CYarvelinGui gui(app, store, ui, AppConfig{}, dir.path());
    // The delete warning answers Yes without showing itself.
    settings::kDontShowDelete.Write(store, "T");
    settings::kDontShowDeleteValue.Write(store, 1);

    const long before = ResidentKiB();
    for (std::size_t i = 0; i < count; ++i) {
        gui.Document().AddOrReplaceRecord(Product(i));
    }
    const long withRecords = ResidentKiB();
    std::printf("products: %zu\n", count);
    std::printf("  records alone                                %9.1f bytes/product\n",
                (withRecords - before) * 1024.0 / static_cast<double>(count));

    CPage3 page(gui);
    page.resize(800, 500);
    page.show();
    QApplication::processEvents();
    const long pageShown = ResidentKiB();
    page.SetEditorRunner([&](std::optional<std::size_t> position) {
        gui.Document().AddOrReplaceRecord(Product(count + 1), position);
        return true;
    });

    std::printf("product list page\n");
    Report("activation (columns, rebuild, buttons)", Time([&] { page.OnSetActive(); }));
    const long activated = ResidentKiB();
    std::printf("  %-44s %9.1f bytes/product\n", "memory of the activated page",
                (activated - pageShown) * 1024.0 / static_cast<double>(count));
    Report("rebuild alone", Time([&] { page.RebuildList(); }));
    Report("select all rows (after a check)", Time([&] { page.SelectAllRows(); }));
    Report("mark deleted, all rows selected", Time([&] { page.OnMarkDeleted(); }));
    Report("un-mark, all rows selected", Time([&] { page.OnUnmark(); }));
    // Non-adjacent rows as a user picks them with Ctrl+click (a thousand of them, spread over the list).
    std::vector<std::size_t> spread;
    for (std::size_t r = 0; r < count; r += std::max<std::size_t>(count / 1000, 2)) {
        spread.push_back(r);
    }
    Report("select 1,000 non-adjacent rows", Time([&] { page.SelectRows(spread); }));
    Report("mark deleted, 1,000 non-adjacent rows", Time([&] { page.OnMarkDeleted(); }));
    Report("un-mark, 1,000 non-adjacent rows", Time([&] { page.OnUnmark(); }));
    Report("new (editor stores), rebuild, select last", Time([&] { page.OnNew(); }));
    page.SelectRows({count / 2});
    Report("edit (editor stores), rebuild, reselect", Time([&] { page.OnEdit(); }));
    std::vector<std::size_t> everyTenth;
    for (std::size_t r = 0; r < static_cast<std::size_t>(page.Model()->rowCount()); r += 10) {
        everyTenth.push_back(r);
    }
    page.SelectRows(everyTenth);
    Report("remove every tenth row", Time([&] { page.OnRemove(); }));
    const long afterCommands = ResidentKiB();

    std::printf("summary\n");
    {
        std::unique_ptr<CSummaryDlg> summary;
        Report("open (columns, filter, rows)", Time([&] {
                   summary = std::make_unique<CSummaryDlg>(gui, &page);
                   summary->show();
               }));
        auto* deleted = summary->findChild<QCheckBox*>(QStringLiteral("includeDeletedCheck"));
        auto* all = summary->findChild<QCheckBox*>(QStringLiteral("allExtendedCheck"));
        Report("include deleted items", Time([&] { deleted->click(); }));
        Report("all extended fields", Time([&] { all->click(); }));
        std::printf("  %-44s %9.1f bytes/product\n", "memory of the open summary",
                    (ResidentKiB() - afterCommands) * 1024.0 / static_cast<double>(count));
    }

    page.SelectAllRows();
    // Remove All in its two halves: the document destroying its records, then the table's rebuild.
    Report("remove all: the document destroys the records", Time([&] { RemoveAllRows(gui.Document()); }));
    Report("remove all: rebuild", Time([&] { page.RebuildList(); }));

    // Far beyond what Ctrl+click gives: every other row selected on its own. The selection model keeps a
    // pair of persistent indexes per range, so this is the one case that grows faster than the rows.
    for (std::size_t i = 0; i < count; ++i) {
        gui.Document().AddOrReplaceRecord(Product(i));
    }
    page.OnSetActive();
    std::vector<std::size_t> everyOther;
    for (std::size_t r = 0; r < count; r += 2) {
        everyOther.push_back(r);
    }
    std::printf("extreme selection\n");
    Report("select every other row", Time([&] { page.SelectRows(everyOther); }));
    Report("mark deleted, every other row", Time([&] { page.OnMarkDeleted(); }));
    page.OnUnmark();

    std::printf("filter, order and changes to many products\n");
    {
        // Typed one character at a time, as the box sees it: the slowest key counts. The selection goes
        // along with the filter, so it is timed without one and with a thousand rows selected.
        const QString typed = QStringLiteral("model 12");
        for (const bool withSelection : {false, true}) {
            page.FilterBox()->clear();
            page.SelectRows(withSelection ? spread : std::vector<std::size_t>{});
            double slowest = 0;
            for (int n = 1; n <= typed.size(); ++n) {
                slowest = std::max(slowest, Time([&] { page.FilterBox()->setText(typed.left(n)); }));
            }
            Report(withSelection ? "filter: slowest typed character, 1,000 selected"
                                 : "filter: slowest typed character",
                   slowest);
        }
        page.SelectRows({});
        Report("filter: brand:acme (one column, no match)",
               Time([&] { page.FilterBox()->setText(QStringLiteral("brand:acme")); }));
        Report("filter: unverified -marked",
               Time([&] { page.FilterBox()->setText(QStringLiteral("unverified -marked")); }));
        Report("filter: code:price-invalid (diagnoses the feed)",
               Time([&] { page.FilterBox()->setText(QStringLiteral("code:price-invalid")); }));
        Report("filter: cleared (Escape)", Time([&] { page.FilterBox()->clear(); }));
        Report("order by price", Time([&] { page.OnHeaderClicked(kListPrice); }));
        Report("order by price, descending", Time([&] { page.OnHeaderClicked(kListPrice); }));
        Report("back to file order", Time([&] { page.OnHeaderClicked(kListPrice); }));
        Report("order by name", Time([&] { page.OnHeaderClicked(kListName); }));
        page.OnHeaderClicked(kListName);
        page.OnHeaderClicked(kListName);

        std::vector<std::size_t> tenThousand;
        for (std::size_t r = 0; r < std::min<std::size_t>(count, 10000); ++r) {
            tenThousand.push_back(r * (count / std::min<std::size_t>(count, 10000)));
        }
        page.SelectRows(tenThousand);
        page.SetBulkDialogRunner([](QDialog& window) {
            auto& dialog = dynamic_cast<CSetColumnDlg&>(window);
            dialog.ValueBox()->setText(QStringLiteral("+5%"));
            dialog.accept();
            return dialog.result();
        });
        Report("set column price +5%, 10,000 selected", Time([&] { page.OnSetColumn(); }));
        page.SetBulkDialogRunner([](QDialog& window) {
            auto& dialog = dynamic_cast<CFindReplaceDlg&>(window);
            dialog.FindBox()->setText(QStringLiteral("kitchen scale"));
            dialog.ReplaceBox()->setText(QStringLiteral("kitchen balance"));
            dialog.accept();
            return dialog.result();
        });
        Report("find and replace (all columns), 10,000 selected", Time([&] { page.OnFindReplace(); }));
        Report("undo the find and replace", Time([&] { page.OnUndo(); }));
        Report("undo the set column", Time([&] { page.OnUndo(); }));
    }
    page.RebuildList();
    RemoveAllRows(gui.Document());
    page.RebuildList();

    if (baseline) {
        // The same table as per-cell items, as a list control filled row by row would hold it.
        for (std::size_t i = 0; i < count; ++i) {
            gui.Document().AddOrReplaceRecord(Product(i));
        }
        page.OnSetActive();
        const long itemsBefore = ResidentKiB();
        QStandardItemModel items;
        QTableView view;
        view.resize(800, 500);
        view.show();
        std::printf("baseline: per-cell items\n");
        Report("fill 6 items per row", Time([&] {
                   items.setRowCount(static_cast<int>(count));
                   items.setColumnCount(kListColumnCount);
                   for (int r = 0; r < static_cast<int>(count); ++r) {
                       for (int c = 0; c < kListColumnCount; ++c) {
                           items.setItem(r, c,
                                         new QStandardItem(page.Model()->index(r, c).data().toString()));
                       }
                   }
                   view.setModel(&items);
               }));
        std::printf("  %-44s %9.1f bytes/product\n", "memory of the items",
                    (ResidentKiB() - itemsBefore) * 1024.0 / static_cast<double>(count));
    }
    return 0;
}
