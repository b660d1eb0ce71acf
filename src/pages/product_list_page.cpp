#include "pages/product_list_page.h"

#include <QDialog>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelection>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/remembered_alert.h"
#include "app/yarvelin_gui.h"
#include "checks/data_check_view.h"
#include "checks/url_check_dlg.h"
#include "dialogs/delete_warning_dlg.h"
#include "dialogs/diagnostics_dlg.h"
#include "dialogs/find_replace_dlg.h"
#include "dialogs/product_editor_dlg.h"
#include "dialogs/set_column_dlg.h"
#include "dialogs/summary_dlg.h"
#include "feed/feed_line_format.h"
#include "pages/bulk_edit.h"
#include "pages/product_table_model.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"
#include "records/local_date_time.h"
#include "records/text_util.h"
#include "rules/rules_dlg.h"
#include "widgets/animated_label.h"
#include "widgets/dialog_parts.h"
#include "widgets/hover_button.h"

namespace yarvelin {

namespace {

// The status line's texts are the program's 8-bit ones.
QString Cp(const std::string& text) {
    return FromCp1252(text);
}

}  // namespace

CPage3::CPage3(CYarvelinGui& gui, QWidget* parent)
    : CWizardPage(gui, A("Yarvelin : Step 2 > Add or Modify Product Information"), parent) {
    setObjectName(QStringLiteral("CPage3"));

    m_heading = new CAnimatedLabel(this);
    m_heading->setObjectName(QStringLiteral("headingLabel"));
    m_heading->setMinimumHeight(30);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("hintIcon"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    auto* hint = new QLabel(A("Click on Options to manage and customize your default settings and values to "
                              "speed product addition. Don't forget to verify your data before submitting."),
                            this);
    hint->setObjectName(QStringLiteral("hintLabel"));
    hint->setWordWrap(true);

    m_model = new CProductTableModel(gui.Document(), this);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("productTable"));
    m_table->setAccessibleName(A("Products"));
    m_table->setModel(m_model);
    ConfigureReportTable(m_table);
    m_table->setTabKeyNavigation(false);
    // Keep the selection visible when the list loses the focus.
    QPalette palette = m_table->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    m_table->setPalette(palette);
    m_table->viewport()->installEventFilter(this);
    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) {
            OnEdit();
        }
    });
    // A click on a header orders the list by that column; the feed keeps its own order.
    m_table->horizontalHeader()->setSectionsClickable(true);
    m_table->horizontalHeader()->setSortIndicatorShown(false);
    connect(m_table->horizontalHeader(), &QHeaderView::sectionClicked, this, &CPage3::OnHeaderClicked);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_table, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        UpdateButtonStates();
        QMenu menu(this);
        const auto add = [&menu](QPushButton* button, void (CPage3::*command)(), CPage3* page) {
            QAction* action = menu.addAction(button->text(), page, command);
            action->setEnabled(button->isEnabled());
        };
        add(m_edit, &CPage3::OnEdit, this);
        add(m_markDeleted, &CPage3::OnMarkDeleted, this);
        add(m_unmark, &CPage3::OnUnmark, this);
        add(m_remove, &CPage3::OnRemove, this);
        menu.addSeparator();
        add(m_setColumn, &CPage3::OnSetColumn, this);
        add(m_findReplace, &CPage3::OnFindReplace, this);
        menu.addSeparator();
        const std::string undo = m_history.UndoText(m_gui.Document());
        QAction* undoAction =
            menu.addAction(undo.empty() ? A("&Undo") : A("&Undo %1").arg(Cp(undo)), this, &CPage3::OnUndo);
        undoAction->setShortcut(QKeySequence::Undo);
        undoAction->setEnabled(!undo.empty());
        menu.exec(m_table->viewport()->mapToGlobal(at));
    });

    auto* filterLabel = new QLabel(A("F&ilter:"), this);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("filterBox"));
    m_filter->setAccessibleName(A("Filter"));
    m_filter->setClearButtonEnabled(true);
    m_filter->setPlaceholderText(
        A("rose   brand:Acme   code:price-invalid   marked   unverified   url-failed"));
    m_filter->setToolTip(
        A("Shows the products that match every word: a text in any column, column:text in one column "
          "(column: alone for an empty one), code:NAME for a diagnostic finding, marked, unverified or "
          "url-failed; a minus in front turns a word round. Ctrl+F comes here, Escape clears it."));
    filterLabel->setBuddy(m_filter);
    m_filter->installEventFilter(this);
    connect(m_filter, &QLineEdit::textChanged, this, [this] { OnFilterEdited(); });

    m_new = AddButton("&New", "newButton", &CPage3::OnNew);
    m_edit = AddButton("&Edit", "editButton", &CPage3::OnEdit);
    m_markDeleted = AddButton("Mark &Deleted", "markDeletedButton", &CPage3::OnMarkDeleted);
    m_unmark = AddButton("&Un-mark", "unmarkButton", &CPage3::OnUnmark);
    m_verifyUrls = AddButton("&Verify All Urls", "verifyUrlsButton", &CPage3::OnVerifyUrls);
    m_verifyData = AddButton("Verify Da&ta", "verifyDataButton", &CPage3::OnVerifyData);
    m_verifyData->setToolTip(
        A("Checks the names and descriptions of every product in the feed, including those the filter "
          "hides. Ctrl+Z takes its changes back."));
    m_remove = AddButton("&Remove", "removeButton", &CPage3::OnRemove);
    m_removeAll = AddButton("Remove All", "removeAllButton", &CPage3::OnRemoveAll);
    m_viewAll = AddButton("View &All", "viewAllButton", &CPage3::OnViewAll);
    m_diagnostics = AddButton("Dia&gnostics...", "diagnosticsButton", &CPage3::OnDiagnostics);
    m_rules = AddButton("Ru&les...", "rulesButton", &CPage3::OnRules);
    m_setColumn = AddButton("&Set Column...", "setColumnButton", &CPage3::OnSetColumn);
    m_findReplace = AddButton("Find && Re&place...", "findReplaceButton", &CPage3::OnFindReplace);
    m_options = new CHoverButton(A("&Options"), this);
    m_options->setObjectName(QStringLiteral("optionsButton"));
    m_options->SetFlat(false, false);
    connect(m_options, &QPushButton::clicked, this, [this] { OnOptions(); });

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusText"));
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("verifyProgress"));
    m_progress->setAccessibleName(A("Verification progress"));
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(8);
    m_progress->hide();

    // The accelerators are plain keys and work whatever state the buttons are in.
    const std::pair<Qt::Key, void (CPage3::*)()> accelerators[] = {
        {Qt::Key_Insert, &CPage3::OnNew}, {Qt::Key_F2, &CPage3::OnEdit}, {Qt::Key_Delete, &CPage3::OnRemove}};
    for (const auto& [key, command] : accelerators) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, command);
    }
    // Ctrl+F reaches the filter from the wizard's own buttons too (they are outside the page); the page
    // is shown only while it is the current one, so the key is the page's alone.
    auto* findShortcut = new QShortcut(QKeySequence::Find, this);
    findShortcut->setContext(Qt::WindowShortcut);
    connect(findShortcut, &QShortcut::activated, this, [this] {
        m_filter->setFocus(Qt::ShortcutFocusReason);
        m_filter->selectAll();
    });
    // In the filter box Ctrl+Z is the box's own.
    auto* undoShortcut = new QShortcut(QKeySequence::Undo, this);
    undoShortcut->setContext(Qt::WidgetWithChildrenShortcut);
    connect(undoShortcut, &QShortcut::activated, this, &CPage3::OnUndo);

    auto* hintRow = new QHBoxLayout;
    hintRow->addWidget(icon);
    hintRow->addWidget(hint, 1);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {m_new, m_edit, m_markDeleted, m_unmark, m_remove, m_removeAll}) {
        buttons->addWidget(b);
    }
    buttons->addSpacing(10);
    for (QPushButton* b : {m_verifyData, m_verifyUrls, m_diagnostics, m_rules}) {
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    buttons->addWidget(m_viewAll);
    buttons->addWidget(m_options);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(m_filter, 1);
    filterRow->addWidget(m_setColumn);
    filterRow->addWidget(m_findReplace);
    auto* middle = new QHBoxLayout;
    middle->addWidget(m_table, 1);
    middle->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_heading);
    layout->addLayout(hintRow);
    layout->addLayout(filterRow);
    layout->addLayout(middle, 1);
    layout->addWidget(m_status);
    layout->addWidget(m_progress);

    m_table->setFocus();
    ApplyButtonStates(NoSelectionButtonStates(0));
}

QPushButton* CPage3::AddButton(const char* text, const char* objectName, void (CPage3::*command)()) {
    QPushButton* button = MakePushButton(text, objectName, this);
    button->setAutoDefault(false);
    if (command) {
        connect(button, &QPushButton::clicked, this, command);
    }
    return button;
}

bool CPage3::OnSetActive() {
    // A check's outcome ("All records checked") belongs to the feed it ran on.
    if (m_nFeedSerial != m_gui.Document().FeedSerial()) {
        m_nFeedSerial = m_gui.Document().FeedSerial();
        m_status->clear();
        m_progress->hide();
        // Another feed starts in file order and unfiltered.
        m_sort = {};
        m_table->horizontalHeader()->setSortIndicatorShown(false);
        const QSignalBlocker quiet(m_filter);
        m_filter->clear();
        m_filterSpec = {};
        m_history.Clear();
    }
    m_heading->SetBackgroundColor(palette().color(QPalette::Button));
    m_heading->SetText(A("Add, Edit & Verify Your Product Information"));
    RebuildList();
    ApplyColumnWidths();
    m_options->SetIcon(QIcon(QStringLiteral(":/icons/options.png")));
    m_options->update();
    UpdateButtonStates();
    // The list is what the page is about: the keys start there, not on the button that led here.
    m_table->setFocus(Qt::OtherFocusReason);
    return true;
}

void CPage3::showEvent(QShowEvent* event) {
    CWizardPage::showEvent(event);
    // The first activation may come before the page has its real size.
    ApplyColumnWidths();
}

void CPage3::ApplyColumnWidths() {
    // The rows just filled in may be about to bring up the vertical scroll bar; leave room for it so the
    // columns fill the list without a horizontal one.
    int clientWidth = m_table->viewport()->width();
    const int rowsHeight = m_model->rowCount() * m_table->verticalHeader()->defaultSectionSize();
    if (!m_table->verticalScrollBar()->isVisible() && rowsHeight > m_table->viewport()->height()) {
        clientWidth -= m_table->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_table);
    }
    // Row numbers from 100 on would not fit the usual width and show as "...".
    const QFontMetrics metrics(m_table->font());
    const int numberWidth =
        metrics.horizontalAdvance(QString::number(std::max<std::size_t>(m_gui.Document().Count(), 1))) +
        2 * m_table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_table) + 8;
    const auto widths = ListColumnWidths(clientWidth, numberWidth);
    for (int c = 0; c < kListColumnCount; ++c) {
        m_table->horizontalHeader()->resizeSection(c, widths[static_cast<std::size_t>(c)]);
    }
}

bool CPage3::eventFilter(QObject* watched, QEvent* event) {
    // Escape in the filter box clears it; in an empty box it goes on to the wizard as before.
    if (watched == m_filter && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !m_filter->text().isEmpty()) {
        m_filter->clear();
        return true;
    }
    // A click on the list, on a row or beside them, brings the buttons up to date; keyboard selection
    // waits for the next click or command.
    if (watched == m_table->viewport() && event->type() == QEvent::MouseButtonPress) {
        // As in a report list, a plain click beside the rows clears the selection.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!m_table->indexAt(mouse->position().toPoint()).isValid() &&
            !(mouse->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier))) {
            m_table->clearSelection();
        }
    }
    if (watched == m_table->viewport() && event->type() == QEvent::MouseButtonRelease) {
        UpdateButtonStates();
    }
    if (watched == m_table->viewport() && event->type() == QEvent::Resize) {
        // The columns keep filling the list when the page or its scroll bar changes its width.
        ApplyColumnWidths();
    }
    return CWizardPage::eventFilter(watched, event);
}

void CPage3::ApplyButtonStates(const CListButtonStates& states) {
    m_edit->setEnabled(states.edit);
    m_markDeleted->setEnabled(states.markDeleted);
    m_unmark->setEnabled(states.unmark);
    m_remove->setEnabled(states.remove);
    m_removeAll->setEnabled(states.removeAll);
    m_verifyUrls->setEnabled(states.verifyUrls);
    m_verifyData->setEnabled(states.verifyData);
    m_setColumn->setEnabled(states.edit);
    m_findReplace->setEnabled(states.edit);
}

void CPage3::UpdateButtonStates() {
    ApplyButtonStates(ButtonStatesFor(static_cast<std::size_t>(m_model->rowCount()),
                                      m_table->selectionModel()->hasSelection()));
}

void CPage3::SelectionStateIfSelected() {
    if (m_table->selectionModel()->hasSelection()) {
        ApplyButtonStates(SelectionButtonStates());
    }
}

void CPage3::RebuildList() {
    ApplyView();
    if (m_model->rowCount() == 0) {
        ApplyButtonStates(NoSelectionButtonStates(0));
    } else {
        SelectionStateIfSelected();
    }
}

void CPage3::ApplyView(const ProductFilter* narrowFrom) {
    const CFeedDocument& doc = m_gui.Document();
    ProductCodeLookup hasCode;
    if (m_filterSpec.UsesCodes()) {
        hasCode = [this](std::size_t position, int code) {
            const std::vector<bool>& positions = CodePositions(code);
            return position < positions.size() && positions[position];
        };
    }
    // Typing on at the end of a word keeps fewer of the rows shown, in their order: only those are looked at.
    const bool rowsCurrent = m_rowsEditCount == doc.EditCount() && m_rowsFeedSerial == doc.FeedSerial();
    if (narrowFrom && rowsCurrent && IsNarrowing(*narrowFrom, m_filterSpec)) {
        m_model->SetRows(NarrowRows(doc, m_model->Rows(), m_filterSpec, hasCode));
    } else {
        m_model->SetRows(BuildRowMap(doc, m_filterSpec, hasCode, m_sort));
    }
    m_rowsEditCount = doc.EditCount();
    m_rowsFeedSerial = doc.FeedSerial();
}

const std::vector<bool>& CPage3::CodePositions(int code) {
    const CFeedDocument& doc = m_gui.Document();
    if (m_codeEditCount != doc.EditCount() || m_codeFeedSerial != doc.FeedSerial()) {
        m_codePositions.clear();
        m_codeEditCount = doc.EditCount();
        m_codeFeedSerial = doc.FeedSerial();
    }
    auto it = m_codePositions.find(code);
    if (it == m_codePositions.end()) {
        const std::string& escaped = doc.Headers().htmlEscaped;
        it = m_codePositions
                 .emplace(code, PositionsWithCode(doc, code, m_gui.App().Categories(),
                                                  HeaderValueMeansYes(escaped), CurrentLocalDateTime()))
                 .first;
    }
    return it->second;
}

void CPage3::OnFilterEdited() {
    const std::vector<std::size_t> selected = SelectedRows();
    const ProductFilter before = std::move(m_filterSpec);
    m_filterSpec = ParseProductFilter(ToCp1252(m_filter->text()));
    ApplyView(&before);
    if (m_model->rowCount() == 0) {
        ApplyButtonStates(NoSelectionButtonStates(0));
    }
    SelectRows(selected);
    UpdateButtonStates();
    ShowFilterStatus();
}

void CPage3::ShowFilterStatus() {
    if (m_filterSpec.IsEmpty()) {
        m_status->clear();
    } else if (!m_filterSpec.error.empty()) {
        m_status->setText(Cp(m_filterSpec.error));
    } else {
        m_status->setText(
            A("%1 of %2 products shown").arg(m_model->rowCount()).arg(m_gui.Document().Count()));
    }
}

void CPage3::OnHeaderClicked(int column) {
    const std::vector<std::size_t> selected = SelectedRows();
    m_sort = NextListSort(m_sort, column);
    QHeaderView* header = m_table->horizontalHeader();
    header->setSortIndicatorShown(!m_sort.IsFileOrder());
    if (!m_sort.IsFileOrder()) {
        header->setSortIndicator(column, m_sort.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
    RebuildList();
    SelectRows(selected);
    if (!selected.empty()) {
        const int row = m_model->RowOf(selected.front());
        if (row >= 0) {
            m_table->scrollTo(m_model->index(row, 0));
        }
    }
}

void CPage3::SelectAllRows() {
    const int rows = m_model->rowCount();
    if (rows == 0) {
        m_table->selectionModel()->clearSelection();
        return;
    }
    m_table->selectionModel()->clearSelection();
    m_table->selectionModel()->select(
        QItemSelection(m_model->index(0, 0), m_model->index(rows - 1, kListColumnCount - 1)),
        QItemSelectionModel::Select);
}

std::vector<std::size_t> CPage3::SelectedRows() const {
    // One flag per product: ranges may overlap or come in any order, the result is in feed order.
    const std::size_t count = m_gui.Document().Count();
    std::vector<bool> selected(count, false);
    std::size_t found = 0;
    for (const QItemSelectionRange& range : m_table->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row) {
            const std::optional<std::size_t> position = m_model->PositionAt(row);
            if (position && *position < count && !selected[*position]) {
                selected[*position] = true;
                ++found;
            }
        }
    }
    std::vector<std::size_t> positions;
    positions.reserve(found);
    for (std::size_t p = 0; p < count; ++p) {
        if (selected[p]) {
            positions.push_back(p);
        }
    }
    return positions;
}

void CPage3::SelectRows(const std::vector<std::size_t>& positions) {
    // The rows that show these products, in row order.
    std::vector<std::size_t> rows;
    if (m_model->ShowsEveryProductInOrder()) {
        rows = positions;
    } else {
        std::vector<int> rowOf(m_gui.Document().Count(), -1);
        const RowMap& map = m_model->Rows();
        for (std::size_t r = 0; r < map.size(); ++r) {
            if (map[r] < rowOf.size()) {
                rowOf[map[r]] = static_cast<int>(r);
            }
        }
        for (std::size_t p : positions) {
            if (p < rowOf.size() && rowOf[p] >= 0) {
                rows.push_back(static_cast<std::size_t>(rowOf[p]));
            }
        }
        std::sort(rows.begin(), rows.end());
    }
    // Runs of neighbouring rows become one range each, so restoring a large selection stays cheap.
    QItemSelection selection;
    const auto rowCount = static_cast<std::size_t>(m_model->rowCount());
    std::size_t i = 0;
    while (i < rows.size()) {
        const std::size_t first = rows[i];
        std::size_t last = first;
        while (i + 1 < rows.size() && rows[i + 1] == last + 1) {
            last = rows[++i];
        }
        ++i;
        if (first >= rowCount) {
            continue;
        }
        last = std::min(last, rowCount - 1);
        selection.append(QItemSelectionRange(m_model->index(static_cast<int>(first), 0),
                                             m_model->index(static_cast<int>(last), kListColumnCount - 1)));
    }
    // Clearing first keeps the change cheap: the selection model compares an old and a new selection of
    // many ranges pair by pair, but passes a change from or to nothing straight on.
    m_table->selectionModel()->clearSelection();
    m_table->selectionModel()->select(selection, QItemSelectionModel::Select);
}

bool CPage3::RunEditor(std::optional<std::size_t> position) {
    if (m_runEditor) {
        return m_runEditor(position);
    }
    CNewProductDlg editor(m_gui, position, this);
    return editor.exec() == QDialog::Accepted;
}

void CPage3::OnNew() {
    const bool stored = RunEditor(std::nullopt);
    if (stored) {
        RebuildList();
        const std::size_t added = m_gui.Document().Count() - 1;
        SelectRows({added});
        if (const int row = m_model->RowOf(added); row >= 0) {
            m_table->scrollTo(m_model->index(row, 0));
        }
    }
    m_table->setFocus();
    m_gui.Document().NoteEditorClosed(stored);
    SelectionStateIfSelected();
}

void CPage3::OnEdit() {
    // The first selected row as the list shows it, from the selection's ranges: after a check every row
    // is selected, and a flag per row would be a walk over the whole feed before the editor opens.
    std::optional<std::size_t> first;
    for (const QItemSelectionRange& range : m_table->selectionModel()->selection()) {
        if (range.top() >= 0 && (!first || static_cast<std::size_t>(range.top()) < *first)) {
            first = static_cast<std::size_t>(range.top());
        }
    }
    const std::optional<std::size_t> shown =
        first ? m_model->PositionAt(static_cast<int>(*first)) : std::nullopt;
    if (!shown || *shown >= m_gui.Document().Count()) {
        return;
    }
    const std::size_t position = *shown;
    const bool stored = RunEditor(position);
    if (stored) {
        RebuildList();
    }
    m_gui.Document().NoteEditorClosed(stored);
    if (const int row = m_model->RowOf(position); row >= 0) {
        m_table->selectionModel()->select(m_model->index(row, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        m_table->scrollTo(m_model->index(row, 0));
    }
    m_table->setFocus();
    SelectionStateIfSelected();
}

void CPage3::MarkSelected(bool marked) {
    const std::vector<std::size_t> selected = SelectedRows();
    if (selected.empty()) {
        return;
    }
    SetDeleteMark(m_gui.Document(), selected, marked);
    RebuildList();
    SelectRows(selected);
    m_table->setFocus();
}

void CPage3::OnRemove() {
    const std::vector<std::size_t> selected = SelectedRows();
    if (selected.empty()) {
        return;
    }
    if (CDeleteWarningDlg::Run(m_gui, this) != kAnswerYes) {
        return;
    }
    const std::size_t removed = RemoveRowsUndoably(m_gui.Document(), selected, m_history);
    RebuildList();
    UpdateButtonStates();
    m_status->setText(A("Removed %1 product(s). Ctrl+Z brings them back.").arg(removed));
}

void CPage3::OnRemoveAll() {
    if (m_gui.Document().Records().empty()) {
        return;
    }
    // Every product goes, shown or not: while a filter hides some, the question says how many.
    QString text =
        A("This will remove all the records in your file.\nAre you sure you want to delete all records?");
    const std::size_t total = m_gui.Document().Count();
    const auto shown = static_cast<std::size_t>(m_model->rowCount());
    if (shown < total) {
        text += A("\n\n%1 of the %2 records are hidden by the filter and will be removed too.")
                    .arg(total - shown)
                    .arg(total);
    }
    const MsgAnswer answer =
        m_gui.Ui().MessageBox(this, A("Yarvelin"), text, MsgIcon::Question, MsgButtons::YesNoCancelDefaultNo);
    if (answer != MsgAnswer::Yes) {
        return;
    }
    const std::size_t removed = RemoveAllRowsUndoably(m_gui.Document(), m_history);
    RebuildList();
    ApplyButtonStates(NoSelectionButtonStates(0));
    m_status->setText(A("Removed %1 product(s). Ctrl+Z brings them back.").arg(removed));
}

void CPage3::OnViewAll() {
    CSummaryDlg summary(m_gui, this);
    summary.exec();
}

void CPage3::OnOptions() {
    m_gui.ShowOptions(this);
}

// Both checks end with every row selected, so the results can be looked through at once.
void CPage3::OnVerifyData() {
    ForgetCodePositions();
    CDataCheckView::Run(m_gui, this, m_progress, m_status, &m_history);
    RebuildList();
    SelectAllRows();
    UpdateButtonStates();
    m_table->setFocus();
}

void CPage3::OnVerifyUrls() {
    {
        CUrlCheckDlg dialog(m_gui, this);
        dialog.exec();
    }
    // The check's findings are the products' own and do not count as an edit.
    ForgetCodePositions();
    RebuildList();
    SelectAllRows();
    UpdateButtonStates();
    m_table->setFocus();
}

void CPage3::OnDiagnostics() {
    const std::string& escaped = m_gui.Document().Headers().htmlEscaped;
    CDiagnosticsDlg window(m_gui, HeaderValueMeansYes(escaped), this);
    if (m_runEditor) {
        window.SetEditorRunner([this](std::size_t position) { return m_runEditor(position); });
    }
    window.exec();
    if (window.ProductsChanged()) {
        ForgetCodePositions();
        RebuildList();
    }
    UpdateButtonStates();
    m_table->setFocus();
}

void CPage3::OnRules() {
    CRulesDlg window(m_gui, this);
    window.SetEditHistory(&m_history);
    if (m_runRules) {
        m_runRules(window);
    } else {
        window.exec();
    }
    if (window.FeedChanged()) {
        RebuildList();
    }
    UpdateButtonStates();
    m_table->setFocus();
}

void CPage3::OnSetColumn() {
    const std::vector<std::size_t> selected = SelectedRows();
    if (!selected.empty()) {
        CSetColumnDlg window(m_gui, selected, this);
        RunBulkEdit(window, selected);
    }
}

void CPage3::OnFindReplace() {
    const std::vector<std::size_t> selected = SelectedRows();
    if (!selected.empty()) {
        CFindReplaceDlg window(m_gui, selected, this);
        RunBulkEdit(window, selected);
    }
}

void CPage3::RunBulkEdit(CBulkEditDlg& window, const std::vector<std::size_t>& selected) {
    const int result = m_runBulkDialog ? m_runBulkDialog(window) : window.exec();
    if (result != QDialog::Accepted) {
        m_table->setFocus();
        return;
    }
    BulkChange change = window.TakeChange();
    const std::string what = change.what;
    ApplyBulkChange(m_gui.Document(), std::move(change), m_history);
    ShowChanged(selected, what);
}

void CPage3::ShowChanged(const std::vector<std::size_t>& positions, const std::string& what) {
    RebuildList();
    SelectRows(positions);
    UpdateButtonStates();
    m_table->setFocus();
    m_status->setText(Cp(what) + A(". Ctrl+Z takes it back."));
}

void CPage3::OnUndo() {
    const std::string what = m_history.Undo(m_gui.Document());
    if (what.empty()) {
        m_status->setText(A("There is nothing to undo."));
        return;
    }
    RebuildList();
    UpdateButtonStates();
    m_table->setFocus();
    m_status->setText(A("Undone: ") + Cp(what) + A("."));
}

}  // namespace yarvelin
