#include "rules/rules_dlg.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/dialog_start_path.h"
#include "app/program_names.h"
#include "app/yarvelin_gui.h"
#include "pages/edit_history.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"
#include "records/text_util.h"
#include "rules/category_map_dlg.h"
#include "rules/rule_form_dlg.h"
#include "widgets/dialog_parts.h"

namespace yarvelin {

namespace {

constexpr char kFilter[] = "Rules Files (*.toml)|*.toml|All Files (*.*)|*.*||";
constexpr char kNewRule[] =
    "[[rule]]\n"
    "name = \"New rule\"\n"
    "action = \"exclude\"\n"
    "when = { column = \"instock\", equals = \"N\" }\n";

// Rules files are UTF-8 text, not product text.
QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string RuleName(std::size_t index) {
    return "rule " + std::to_string(index + 1);
}

// One rule alone, as the loader reads it; the mistake when it has one.
std::optional<Rule> CompileOne(const std::string& text, std::size_t index, std::string* mistake) {
    try {
        CRuleSet one = CRuleSet::Parse(text, RuleName(index));
        if (one.Rules().size() == 1) {
            Rule rule = one.Rules().front();
            if (rule.name == "rule 1") {
                rule.name = RuleName(index);
            }
            return rule;
        }
        *mistake = RuleName(index) + ": the text must hold exactly one [[rule]]";
    } catch (const CHandFileError& err) {
        *mistake = err.what();
    }
    return std::nullopt;
}

}  // namespace

CRulesDlg::CRulesDlg(CYarvelinGui& gui, QWidget* parent) : QDialog(parent), m_gui(gui) {
    setObjectName(QStringLiteral("CRulesDlg"));
    setWindowTitle(A("Rules"));
    m_fileLabel = new QLabel(this);
    m_fileLabel->setObjectName(QStringLiteral("rulesFileLabel"));
    QPushButton* open = MakePushButton("&Open...", "openRulesButton", this);
    QPushButton* save = MakePushButton("&Save", "saveRulesButton", this);
    QPushButton* saveAs = MakePushButton("Save &As...", "saveRulesAsButton", this);
    connect(open, &QPushButton::clicked, this, [this] { OnOpen(); });
    connect(save, &QPushButton::clicked, this, [this] { OnSave(); });
    connect(saveAs, &QPushButton::clicked, this, [this] { OnSaveAs(); });

    m_table = new QTableWidget(0, 3, this);
    m_table->setObjectName(QStringLiteral("rulesTable"));
    m_table->setAccessibleName(A("Rules"));
    m_table->setHorizontalHeaderLabels({A("Rule"), A("Action"), A("Products")});
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_table->verticalHeader()->setVisible(true);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this] { OnEdit(); });

    QPushButton* add = MakePushButton("A&dd...", "addRuleButton", this);
    m_categoryMap = MakePushButton("Category &Map...", "categoryMapButton", this);
    connect(m_categoryMap, &QPushButton::clicked, this, [this] { OnCategoryMap(); });
    m_edit = MakePushButton("&Edit...", "editRuleButton", this);
    m_up = MakePushButton("Move &Up", "moveRuleUpButton", this);
    m_down = MakePushButton("Move Do&wn", "moveRuleDownButton", this);
    m_delete = MakePushButton("De&lete", "deleteRuleButton", this);
    connect(add, &QPushButton::clicked, this, [this] { OnAdd(); });
    connect(m_edit, &QPushButton::clicked, this, [this] { OnEdit(); });
    connect(m_up, &QPushButton::clicked, this, [this] { OnMove(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { OnMove(1); });
    connect(m_delete, &QPushButton::clicked, this, [this] { OnDelete(); });

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("rulesStatus"));
    m_status->setWordWrap(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_apply = MakePushButton("Apply to &Feed", "applyRulesButton", this);
    QPushButton* close = MakePushButton("Close", "closeRulesButton", this);
    connect(m_apply, &QPushButton::clicked, this, [this] { OnApply(); });
    connect(close, &QPushButton::clicked, this, &CRulesDlg::reject);

    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_fileLabel, 1);
    fileRow->addWidget(open);
    fileRow->addWidget(save);
    fileRow->addWidget(saveAs);
    auto* side = new QVBoxLayout;
    for (QPushButton* b : {add, m_edit, m_up, m_down, m_delete, m_categoryMap}) {
        side->addWidget(b);
    }
    side->addStretch(1);
    auto* middle = new QHBoxLayout;
    middle->addWidget(m_table, 1);
    middle->addLayout(side);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_status, 1);
    bottom->addWidget(m_apply);
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fileRow);
    layout->addLayout(middle, 1);
    layout->addLayout(bottom);
    resize(640, 400);

    const std::string remembered = RememberedRulesFile(m_gui.Store(), m_gui.Document().FileName());
    if (remembered.empty() || !QFile::exists(FromPath(remembered)) || !OpenFile(remembered)) {
        Recount();
    }
}

bool CRulesDlg::OpenFile(const std::string& path) {
    QFile file(FromPath(path));
    if (!file.open(QIODevice::ReadOnly)) {
        m_gui.Ui().MessageBox(this, A(kAppTitle), FromPath(path) + QStringLiteral("\n") + file.errorString(),
                              MsgIcon::Exclamation, MsgButtons::Ok);
        return false;
    }
    const QByteArray bytes = file.readAll();
    m_texts = SplitRuleTexts(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    m_path = path;
    m_modified = false;
    RememberRulesFile(m_gui.Store(), m_gui.Document().FileName(), m_path);
    Recount();
    return true;
}

void CRulesDlg::OnOpen() {
    FileDialogRequest request;
    request.filter = A(kFilter);
    request.defaultExt = QStringLiteral("toml");
    if (const std::optional<QString> path = m_gui.Ui().OpenFileDialog(this, request)) {
        OpenFile(ToPath(*path));
    }
}

bool CRulesDlg::WriteFile(const std::string& path) {
    const std::string text = JoinRuleTexts(m_texts);
    QSaveFile file(FromPath(path));
    if (!file.open(QIODevice::WriteOnly) || file.write(text.data(), static_cast<qint64>(text.size())) < 0 ||
        !file.commit()) {
        m_gui.Ui().MessageBox(this, A(kAppTitle), FromPath(path) + QStringLiteral("\n") + file.errorString(),
                              MsgIcon::Exclamation, MsgButtons::Ok);
        return false;
    }
    m_path = path;
    m_modified = false;
    RememberRulesFile(m_gui.Store(), m_gui.Document().FileName(), m_path);
    Recount();
    return true;
}

bool CRulesDlg::OnSave() {
    return m_path.empty() ? OnSaveAs() : WriteFile(m_path);
}

bool CRulesDlg::OnSaveAs() {
    FileDialogRequest request;
    request.filter = A(kFilter);
    request.defaultExt = QStringLiteral("toml");
    // Rules of one's own live in the configuration's rules folder, also when they started from a sample.
    const QString name = m_path.empty() ? A("rules.toml") : QFileInfo(FromPath(m_path)).fileName();
    request.proposedName = DialogStartFolderFor(m_gui, DialogFileKind::kRules, m_gui.Document().FileName()) +
                           QLatin1Char('/') + name;
    request.overwritePrompt = true;
    const std::optional<QString> path = m_gui.Ui().SaveFileDialog(this, request);
    return path && WriteFile(ToPath(*path));
}

std::optional<std::string> CRulesDlg::EditRuleText(const std::string& text) {
    if (m_editRule) {
        return m_editRule(text);
    }
    QDialog editor(this);
    editor.setObjectName(QStringLiteral("ruleEditor"));
    editor.setWindowTitle(A("Rule"));
    auto* edit = new QPlainTextEdit(FromUtf8(text), &editor);
    edit->setObjectName(QStringLiteral("ruleTextEdit"));
    edit->setAccessibleName(A("Rule text"));
    // TOML needs no tab characters; Tab moves on to the buttons as in every other box.
    edit->setTabChangesFocus(true);
    edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* mistake = new QLabel(&editor);
    mistake->setObjectName(QStringLiteral("ruleMistake"));
    mistake->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &editor);
    std::string result;
    // OK takes only a rule that compiles; its mistake shows under the text.
    connect(buttons, &QDialogButtonBox::accepted, &editor, [&] {
        const QByteArray bytes = edit->toPlainText().toUtf8();
        std::string candidate(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        if (!candidate.empty() && candidate.back() != '\n') {
            candidate += '\n';
        }
        std::string problem;
        if (!CompileOne(candidate, 0, &problem)) {
            mistake->setText(FromUtf8(problem));
            m_gui.Ui().Beep();
            return;
        }
        result = std::move(candidate);
        editor.accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, &editor, &QDialog::reject);
    auto* layout = new QVBoxLayout(&editor);
    layout->addWidget(edit, 1);
    layout->addWidget(mistake);
    layout->addWidget(buttons);
    editor.resize(560, 320);
    if (editor.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return result;
}

int CRulesDlg::CurrentRow() const {
    const QList<QTableWidgetItem*> selected = m_table->selectedItems();
    return selected.isEmpty() ? -1 : selected.front()->row();
}

void CRulesDlg::AddRule(std::string text) {
    const int row = CurrentRow() < 0 ? static_cast<int>(m_texts.rules.size()) : CurrentRow() + 1;
    // The rule before may end without a line break; the new one would join its last line.
    if (row > 0 && !m_texts.rules[static_cast<std::size_t>(row - 1)].empty() &&
        m_texts.rules[static_cast<std::size_t>(row - 1)].back() != '\n') {
        m_texts.rules[static_cast<std::size_t>(row - 1)] += '\n';
    }
    m_texts.rules.insert(m_texts.rules.begin() + row, std::move(text));
    m_modified = true;
    Recount();
    m_table->selectRow(row);
}

void CRulesDlg::OnAdd() {
    std::optional<std::string> text;
    if (m_editRule) {
        text = m_editRule(kNewRule);
    } else {
        CRuleFormDlg form(m_gui.Ui(), this);
        if (form.exec() != QDialog::Accepted) {
            return;
        }
        text = form.WantsText() ? EditRuleText(form.RuleText()) : std::optional<std::string>(form.RuleText());
    }
    if (text) {
        AddRule(std::move(*text));
    }
}

void CRulesDlg::OnCategoryMap() {
    const std::string& feed = m_gui.Document().FileName();
    const QString name = feed.empty() ? A("New feed") : QFileInfo(FromPath(feed)).fileName();
    CCategoryMapDlg map(m_gui.Ui(), m_gui.Document().Records(), name, this);
    if (map.exec() == QDialog::Accepted) {
        AddRule(map.RuleText());
    }
}

void CRulesDlg::OnEdit() {
    const int row = CurrentRow();
    if (row < 0) {
        return;
    }
    if (std::optional<std::string> text = EditRuleText(m_texts.rules[static_cast<std::size_t>(row)])) {
        m_texts.rules[static_cast<std::size_t>(row)] = std::move(*text);
        m_modified = true;
        Recount();
        m_table->selectRow(row);
    }
}

void CRulesDlg::OnMove(int by) {
    const int row = CurrentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= static_cast<int>(m_texts.rules.size())) {
        return;
    }
    std::swap(m_texts.rules[static_cast<std::size_t>(row)], m_texts.rules[static_cast<std::size_t>(to)]);
    // The last rule may end without a line break; in the middle it would join the next rule's header.
    for (std::string& text : m_texts.rules) {
        if (!text.empty() && text.back() != '\n') {
            text += '\n';
        }
    }
    m_modified = true;
    Recount();
    m_table->selectRow(to);
}

void CRulesDlg::OnDelete() {
    const int row = CurrentRow();
    if (row < 0) {
        return;
    }
    m_texts.rules.erase(m_texts.rules.begin() + row);
    m_modified = true;
    Recount();
    if (!m_texts.rules.empty()) {
        m_table->selectRow(std::min(row, static_cast<int>(m_texts.rules.size()) - 1));
    }
}

void CRulesDlg::Recount() {
    const int selected = CurrentRow();
    m_table->setRowCount(static_cast<int>(m_texts.rules.size()));
    std::string firstMistake;
    for (std::size_t i = 0; i < m_texts.rules.size(); ++i) {
        std::string mistake;
        const std::optional<Rule> rule = CompileOne(m_texts.rules[i], i, &mistake);
        if (!rule && firstMistake.empty()) {
            firstMistake = mistake;
        }
        const int row = static_cast<int>(i);
        m_table->setItem(row, 0, new QTableWidgetItem(FromUtf8(rule ? rule->name : RuleName(i))));
        m_table->setItem(row, 1,
                         new QTableWidgetItem(rule ? A(RuleActionName(rule->action.kind)) : A("mistake")));
        m_table->setItem(row, 2, new QTableWidgetItem());
        m_table->item(row, 2)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    m_rules.reset();
    if (firstMistake.empty()) {
        try {
            m_rules = CRuleSet::Parse(JoinRuleTexts(m_texts), m_path.empty() ? "rules" : m_path);
        } catch (const CHandFileError& err) {
            firstMistake = err.what();
        }
    }
    QString status;
    if (m_rules) {
        const RuleRun run = CountRuleHits(*m_rules, m_gui.Document().Records());
        for (std::size_t i = 0; i < run.hits.size(); ++i) {
            m_table->item(static_cast<int>(i), 2)->setText(QString::number(run.hits[i]));
        }
        status = A("%1 products, %2 left out").arg(run.products).arg(run.excluded);
    } else {
        status = FromUtf8(firstMistake);
    }
    m_status->setText(status);
    m_fileLabel->setText((m_path.empty() ? A("New rules file") : FromPath(m_path)) +
                         (m_modified ? A(" (changed)") : QString()));
    if (selected >= 0 && selected < m_table->rowCount()) {
        m_table->selectRow(selected);
    }
    UpdateButtons();
}

void CRulesDlg::UpdateButtons() {
    const int row = CurrentRow();
    const int count = static_cast<int>(m_texts.rules.size());
    m_edit->setEnabled(row >= 0);
    m_delete->setEnabled(row >= 0);
    m_up->setEnabled(row > 0);
    m_down->setEnabled(row >= 0 && row + 1 < count);
    m_apply->setEnabled(m_rules.has_value() && count > 0 && m_gui.Document().Count() > 0);
    m_categoryMap->setEnabled(m_gui.Document().Count() > 0);
}

void CRulesDlg::OnApply() {
    if (!m_rules) {
        return;
    }
    CFeedDocument& doc = m_gui.Document();
    // Products are taken out of the list only after a question, as Remove asks.
    if (const std::size_t leftOut = CountRuleHits(*m_rules, doc.Records()).excluded; leftOut > 0) {
        const QString text =
            A("The rules leave %1 of %2 products out of the feed: they will be removed from the product "
              "list.%3\n\nApply the rules?")
                .arg(leftOut)
                .arg(doc.Count())
                .arg(m_history ? A(" Ctrl+Z on the product list brings them back.") : QString());
        if (m_gui.Ui().MessageBox(this, A(kAppTitle), text, MsgIcon::Question, MsgButtons::YesNoDefaultNo) !=
            MsgAnswer::Yes) {
            return;
        }
    }
    const std::uint64_t editCountBefore = doc.EditCount();
    RulesApplied applied = ApplyRulesToDocument(doc, *m_rules, m_history != nullptr);
    if (m_history) {
        m_history->NoteChangedAndRemoved(
            doc, editCountBefore,
            Format("Apply rules (%zu changed, %zu removed)", applied.changed, applied.removed),
            std::move(applied.changedBefore), std::move(applied.removedProducts));
    }
    m_feedChanged = m_feedChanged || applied.changed > 0 || applied.removed > 0;
    Recount();
    m_status->setText(A("Applied: %1 products changed, %2 left out of the feed.")
                          .arg(applied.changed)
                          .arg(applied.removed));
}

void CRulesDlg::reject() {
    if (m_modified) {
        const MsgAnswer answer =
            m_gui.Ui().MessageBox(this, A(kAppTitle), A("Save the changes to the rules?"), MsgIcon::Question,
                                  MsgButtons::YesNoCancel);
        if (answer == MsgAnswer::Cancel || (answer == MsgAnswer::Yes && !OnSave())) {
            return;
        }
    }
    QDialog::reject();
}

}  // namespace yarvelin
