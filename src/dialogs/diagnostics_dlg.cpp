#include "dialogs/diagnostics_dlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProgressDialog>
#include <QPushButton>
#include <QSet>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <atomic>
#include <future>
#include <utility>

#include "app/dialog_start_path.h"
#include "app/yarvelin_gui.h"
#include "checks/diagnostics_report.h"
#include "checks/release_checks.h"
#include "dialogs/diagnostics_model.h"
#include "dialogs/product_editor_dlg.h"
#include "feed/feed_file.h"
#include "feed/feed_report_view.h"
#include "jobs/upload_count_file.h"
#include "pages/product_list_rules.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"

namespace yarvelin {

namespace {
class CWaitCursor {
  public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
};
}  // namespace

CDiagnosticsDlg::CDiagnosticsDlg(CYarvelinGui& gui, bool htmlEscaped, QWidget* parent)
    : QDialog(parent), m_gui(gui), m_htmlEscaped(htmlEscaped), m_feedPath(gui.Document().FileName()) {
    Build(
        A("Double-click a product to open it in the product editor. The list is checked again after you "
          "save it."));
    Refresh();
}

CDiagnosticsDlg::CDiagnosticsDlg(CYarvelinGui& gui, const std::string& filePath, FeedDiagnosis diagnosis,
                                 QWidget* parent)
    : QDialog(parent), m_gui(gui), m_fromFile(true), m_feedPath(filePath) {
    Build(A("Findings in the feed file ") + FromPath(filePath) +
          A(". Correct the products on the product list, then generate the file again."));
    Show(std::move(diagnosis));
}

void CDiagnosticsDlg::Build(const QString& hint) {
    setObjectName(QStringLiteral("CDiagnosticsDlg"));
    setWindowTitle(A("Feed Diagnostics"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    resize(760, 460);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("summaryLabel"));
    QFont bold = m_summary->font();
    bold.setBold(true);
    m_summary->setFont(bold);
    auto* hintLabel = new QLabel(hint, this);
    hintLabel->setObjectName(QStringLiteral("hintLabel"));
    hintLabel->setWordWrap(true);

    m_model = new CDiagnosticsModel(this);
    m_tree = new QTreeView(this);
    m_tree->setObjectName(QStringLiteral("findingsTree"));
    m_tree->setAccessibleName(A("Findings"));
    m_tree->setModel(m_model);
    m_tree->setUniformRowHeights(true);
    m_tree->setAlternatingRowColors(true);
    m_tree->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->header()->setStretchLastSection(true);
    m_tree->header()->resizeSection(CDiagnosticsModel::kWhat, 48);
    m_tree->header()->resizeSection(CDiagnosticsModel::kRow, 60);
    m_tree->header()->resizeSection(CDiagnosticsModel::kOfferId, 90);
    m_tree->header()->resizeSection(CDiagnosticsModel::kColumn, 90);
    connect(m_tree, &QTreeView::doubleClicked, this,
            [this](const QModelIndex& index) { OpenFinding(index); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("closeButton"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_saveFindings = buttons->addButton(A("&Save Findings..."), QDialogButtonBox::ActionRole);
    m_saveFindings->setObjectName(QStringLiteral("saveFindingsButton"));
    m_saveFindings->setAutoDefault(false);
    connect(m_saveFindings, &QPushButton::clicked, this, [this] { SaveFindings(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(hintLabel);
    layout->addWidget(m_tree, 1);
    m_savedLine = new QLabel(this);
    m_savedLine->setObjectName(QStringLiteral("savedFindingsLine"));
    m_savedLine->setTextFormat(Qt::PlainText);
    m_savedLine->setWordWrap(true);
    m_savedLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_savedLine->hide();  // takes room only once a file was written
    layout->addWidget(m_savedLine);
    layout->addWidget(buttons);
}

void CDiagnosticsDlg::Show(FeedDiagnosis diagnosis) {
    // Groups that were open stay open; the first time, all are.
    const bool first = m_model->rowCount() == 0;
    QSet<int> open;
    for (int g = 0; g < m_model->rowCount(); ++g) {
        if (m_tree->isExpanded(m_model->index(g, 0))) {
            open.insert(static_cast<int>(m_model->GroupCode(g)));
        }
    }
    const Diagnostic* current = m_model->FindingAt(m_tree->currentIndex());
    const std::size_t currentRow = current != nullptr ? current->row : 0;
    const DiagnosticCode currentCode = current != nullptr ? current->code : DiagnosticCode::kRequiredMissing;

    QString summary = FromCp1252(DiagnosticsSummaryText(diagnosis.totals));
    std::size_t found = 0;
    for (std::size_t count : diagnosis.totals.perCode) {
        found += count;
    }
    if (diagnosis.findings.size() < found) {
        summary +=
            A("\nListed: the first %1 findings of each kind, %2 of %3. Save Findings writes all of them.")
                .arg(kDiagnosticsWindowPerCode)
                .arg(diagnosis.findings.size())
                .arg(found);
    }
    m_summary->setText(summary);
    m_model->SetDiagnosis(std::move(diagnosis));
    for (int g = 0; g < m_model->rowCount(); ++g) {
        const QModelIndex group = m_model->index(g, 0);
        m_tree->setFirstColumnSpanned(g, QModelIndex(), true);
        if (first || open.contains(static_cast<int>(m_model->GroupCode(g)))) {
            m_tree->expand(group);
        }
    }
    // The current finding: the same code at the same product, or the group it was in.
    if (currentRow > 0) {
        const QModelIndex group = m_model->GroupIndex(currentCode);
        if (group.isValid()) {
            QModelIndex target = group;
            for (int r = 0; r < m_model->rowCount(group); ++r) {
                const QModelIndex child = m_model->index(r, 0, group);
                if (m_model->FindingAt(child)->row >= currentRow) {
                    target = child;
                    break;
                }
            }
            m_tree->setCurrentIndex(target);
            m_tree->scrollTo(target);
        }
    }
}

void CDiagnosticsDlg::Refresh() {
    if (m_fromFile) {
        return;
    }
    CWaitCursor wait;
    CYarvelinApp& app = m_gui.App();
    Show(DiagnoseDocument(app.Document(), app.Categories(), m_htmlEscaped, CurrentLocalDateTime()));
}

bool CDiagnosticsDlg::OpenFinding(const QModelIndex& index) {
    const Diagnostic* finding = m_model->FindingAt(index);
    if (m_fromFile || finding == nullptr || finding->row == 0 || finding->row > m_gui.Document().Count()) {
        return false;
    }
    const std::size_t position = finding->row - 1;
    // Read through the const side, which keeps the document's offer id table for the editor's check.
    const COtherRecord previous = std::as_const(m_gui.Document()).At(position);
    const std::vector<std::string> categoriesBefore = m_gui.App().Categories();
    bool stored = false;
    if (m_runEditor) {
        stored = m_runEditor(position);
    } else {
        CNewProductDlg editor(m_gui, position, this);
        stored = editor.exec() == QDialog::Accepted;
    }
    m_gui.Document().NoteEditorClosed(stored);
    if (stored) {
        m_productsChanged = true;
        RefreshAfterStore(position, previous, categoriesBefore);
    }
    return stored;
}

void CDiagnosticsDlg::RefreshAfterStore(std::size_t position, const COtherRecord& previous,
                                        const std::vector<std::string>& categoriesBefore) {
    CYarvelinApp& app = m_gui.App();
    CWaitCursor wait;
    FeedDiagnosis next = m_model->Diagnosis();
    // The user's own categories decide findings of every product.
    if (app.Categories() == categoriesBefore &&
        RediagnoseStoredProduct(next, previous, app.Document(), position, app.Categories(), m_htmlEscaped,
                                CurrentLocalDateTime())) {
        Show(std::move(next));
    } else {
        Refresh();
    }
}

bool CDiagnosticsDlg::SaveFindings() {
    FileDialogRequest request;
    request.title = A("Save Findings");
    request.filter = A("CSV Files (*.csv)|*.csv|All Files (*.*)|*.*||");
    request.defaultExt = QStringLiteral("csv");
    // Beside the feed, unless that folder is a sample's or cannot take the file: then the documents.
    const std::string proposed = FindingsFileName(m_feedPath);
    request.proposedName = DialogStartFolderFor(m_gui, DialogFileKind::kFindings, m_feedPath) +
                           QLatin1Char('/') + FromPath(proposed.substr(proposed.find_last_of('/') + 1));
    request.overwritePrompt = true;
    const std::optional<QString> path = m_gui.Ui().SaveFileDialog(this, request);
    if (!path) {
        return false;
    }
    CFeedReportView report(m_gui.Ui(), this);
    const FeedDiagnosis& listed = m_model->Diagnosis();
    std::size_t found = 0;
    for (std::size_t count : listed.totals.perCode) {
        found += count;
    }
    bool saved = false;
    if (m_fromFile && listed.findings.size() < found) {
        // The window lists only the first findings of each kind; the file gets every one of them.
        CWaitCursor wait;
        const FeedDiagnosis all =
            DiagnoseFile(m_feedPath, m_gui.App().Categories(), CurrentLocalDateTime(), report);
        saved = all.readOk && SaveFindingsCsv(ToPath(*path), all.findings, report);
    } else if (!m_fromFile && !m_feedPath.empty() && !m_gui.Document().IsChanged()) {
        // The open feed is still what its file holds: its findings get that file's lines, as validate
        // --json gives them. A file that cannot be read any more only leaves the lines out.
        CWaitCursor wait;
        std::vector<Diagnostic> findings = listed.findings;
        struct CQuiet : CFeedFileObserver {
            void ShowFileError(const std::string&) override {}
            void ShowFormatError() override {}
        } quiet;
        if (!FillFindingLines(findings, m_feedPath, quiet)) {
            findings = listed.findings;
        }
        saved = SaveFindingsCsv(ToPath(*path), findings, report);
    } else {
        saved = SaveFindingsCsv(ToPath(*path), listed.findings, report);
    }
    if (saved) {
        m_savedLine->setText(A("Findings saved in ") + *path + A("."));
        m_savedLine->show();
    }
    return saved;
}

namespace {

// Waits for a check running on a worker: until quietFor has passed the interface waits as before; a longer
// check shows a window that counts the products checked (label has a %1 for the count), so that a large
// feed does not freeze the wizard.
FeedDiagnosis AwaitCheck(QWidget* parent, std::future<FeedDiagnosis>& result,
                         const std::atomic<std::size_t>& checked, const QString& label,
                         std::chrono::milliseconds quietFor) {
    {
        CWaitCursor wait;
        if (result.wait_for(quietFor) == std::future_status::ready) {
            return result.get();
        }
    }
    // The check cannot be stopped half way: Escape and the close box leave the window up, so that the
    // wizard cannot be used (and the button pressed again) before the answer is there.
    class CCheckProgress : public QProgressDialog {
      public:
        using QProgressDialog::QProgressDialog;
        void reject() override {}

      protected:
        void closeEvent(QCloseEvent* event) override { event->ignore(); }
    } progress(parent);
    progress.setWindowTitle(A("Yarvelin"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setCancelButton(nullptr);
    progress.setRange(0, 0);
    progress.setMinimumDuration(0);
    const auto showCount = [&progress, &checked, &label] {
        progress.setLabelText(
            label.arg(QLocale().toString(static_cast<qulonglong>(checked.load(std::memory_order_relaxed)))));
    };
    showCount();
    progress.show();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (result.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready) {
            loop.quit();
        } else {
            showCount();
        }
    });
    poll.start(100);
    loop.exec();
    return result.get();
}

}  // namespace

bool CDiagnosticsDlg::ConfirmBeforeSave(CYarvelinGui& gui, QWidget* parent, bool htmlEscaped,
                                        std::chrono::milliseconds quietFor) {
    // Counted on a worker, keeping only the first findings of each code: the question needs the counts,
    // and a million products would otherwise build millions of findings on the interface thread.
    std::atomic<std::size_t> checked{0};
    const CFeedDocument& doc = gui.Document();
    std::vector<std::string> categories = gui.App().Categories();
    const LocalDateTime now = CurrentLocalDateTime();
    std::future<FeedDiagnosis> result = std::async(
        std::launch::async, [&doc, &checked, htmlEscaped, categories = std::move(categories), now] {
            return DiagnoseDocument(doc, categories, htmlEscaped, now, kDiagnosticsWindowPerCode,
                                    [&checked] { checked.fetch_add(1, std::memory_order_relaxed); });
        });
    const FeedDiagnosis diagnosis = AwaitCheck(
        parent, result, checked, A("Checking the feed before it is saved: %1 products checked..."), quietFor);
    const ReleaseDecision decision = DecideSave(diagnosis);
    if (!decision.errorsQuestion) {
        return true;
    }
    const MsgAnswer answer = gui.Ui().MessageBox(parent, A("Yarvelin"), FromCp1252(*decision.errorsQuestion),
                                                 MsgIcon::Question, MsgButtons::YesNoCancel);
    if (answer == MsgAnswer::Yes) {
        CDiagnosticsDlg window(gui, htmlEscaped, parent);
        window.exec();
    }
    return answer == MsgAnswer::No;
}

FeedDiagnosis CDiagnosticsDlg::DiagnoseFileForUpload(CYarvelinGui& gui, QWidget* parent,
                                                     const std::string& localFile,
                                                     std::chrono::milliseconds quietFor) {
    // A file that cannot be read is left to the transfer, which reports it. The worker only counts here;
    // the window reads the count.
    struct CCountingObserver : CFeedFileObserver {
        void SetProgressPos(int) override { products.fetch_add(1, std::memory_order_relaxed); }
        void ShowFileError(const std::string&) override {}
        void ShowFormatError() override {}
        std::atomic<std::size_t> products{0};
    } observer;
    // The worker gets its own copies: the interface thread keeps running meanwhile.
    std::vector<std::string> categories = gui.App().Categories();
    const LocalDateTime now = CurrentLocalDateTime();
    std::future<FeedDiagnosis> result =
        std::async(std::launch::async, [&observer, localFile, categories = std::move(categories), now] {
            return DiagnoseFile(localFile, categories, now, observer, kDiagnosticsWindowPerCode);
        });
    return AwaitCheck(parent, result, observer.products,
                      A("Checking the feed file before the upload: %1 products checked..."), quietFor);
}

CDiagnosticsDlg::UploadCheck CDiagnosticsDlg::ConfirmBeforeUpload(CYarvelinGui& gui, QWidget* parent,
                                                                  const std::string& localFile,
                                                                  const std::string& server,
                                                                  const std::string& remoteFile) {
    FeedDiagnosis diagnosis = DiagnoseFileForUpload(gui, parent, localFile, std::chrono::milliseconds(300));
    const ReleaseDecision decision = DecideUpload(
        diagnosis, LastUploadCount(gui.Store(), gui.Config().uploadCountFile, server, remoteFile));
    UploadCheck check;
    if (!decision.readOk) {
        return check;
    }
    check.products = decision.products;
    if (decision.errorsQuestion) {
        const MsgAnswer answer =
            gui.Ui().MessageBox(parent, A("Yarvelin"), FromCp1252(*decision.errorsQuestion),
                                MsgIcon::Question, MsgButtons::YesNoCancel);
        if (answer == MsgAnswer::Yes) {
            CDiagnosticsDlg window(gui, localFile, std::move(diagnosis), parent);
            window.exec();
        }
        if (answer != MsgAnswer::No) {
            check.goOn = false;
            return check;
        }
    }
    if (decision.countDropQuestion) {
        const MsgAnswer answer =
            gui.Ui().MessageBox(parent, A("Yarvelin"), FromCp1252(*decision.countDropQuestion),
                                MsgIcon::Question, MsgButtons::YesNoDefaultNo);
        check.goOn = answer == MsgAnswer::Yes;
    }
    return check;
}

}  // namespace yarvelin
