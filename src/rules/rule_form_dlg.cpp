#include "rules/rule_form_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "handfiles/hand_file.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"
#include "records/number_text.h"
#include "records/other_record.h"
#include "rules/rule_set.h"
#include "widgets/dialog_parts.h"

namespace yarvelin {

namespace {

// The tests a condition row offers, with whether each is the negated form.
struct TestChoice {
    const char* words;
    RuleTest test;
    bool negate;
};
constexpr TestChoice kTests[] = {{"equals", RuleTest::kEquals, false},
                                 {"does not equal", RuleTest::kEquals, true},
                                 {"contains", RuleTest::kContains, false},
                                 {"does not contain", RuleTest::kContains, true},
                                 {"matches (regular expression)", RuleTest::kMatches, false},
                                 {"is empty", RuleTest::kEmpty, false},
                                 {"is not empty", RuleTest::kNotEmpty, false},
                                 {"is a number (e.g. < 5)", RuleTest::kNumber, false}};
constexpr const char* kActions[] = {"exclude", "set", "replace", "prepend", "append", "calculate"};

QString Utf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QComboBox* ColumnBox(const char* name, QWidget* parent, bool withNone) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    if (withNone) {
        combo->addItem(A("(no condition)"));
    }
    for (const char* column : kColumnNames) {
        combo->addItem(A(column));
    }
    return combo;
}

}  // namespace

CRuleFormDlg::CRuleFormDlg(UiServices& ui, QWidget* parent) : QDialog(parent), m_ui(ui) {
    setObjectName(QStringLiteral("CRuleFormDlg"));
    setWindowTitle(A("Rule"));
    m_layout = new QFormLayout;
    m_name = MakeLineEdit("ruleNameEdit", this);
    m_name->setText(A("New rule"));
    m_layout->addRow(A("&Name:"), m_name);

    m_match = new QComboBox(this);
    m_match->setObjectName(QStringLiteral("matchCombo"));
    m_match->addItems({A("all of these conditions"), A("any of these conditions")});
    m_layout->addRow(A("&When a product meets:"), m_match);
    for (int i = 0; i < kConditionRows; ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        m_condColumn[i] = ColumnBox(("conditionColumn" + n).constData(), this, true);
        m_condTest[i] = new QComboBox(this);
        m_condTest[i]->setObjectName(QStringLiteral("conditionTest") + QString::number(i + 1));
        for (const TestChoice& choice : kTests) {
            m_condTest[i]->addItem(A(choice.words));
        }
        m_condValue[i] = MakeLineEdit(("conditionValue" + n).constData(), this);
        const QString caption = A("Condition %1").arg(i + 1);
        m_condColumn[i]->setAccessibleName(caption + A(": column"));
        m_condTest[i]->setAccessibleName(caption + A(": test"));
        m_condValue[i]->setAccessibleName(caption + A(": value"));
        auto* row = new QHBoxLayout;
        row->addWidget(m_condColumn[i]);
        row->addWidget(m_condTest[i]);
        row->addWidget(m_condValue[i], 1);
        auto* label = new QLabel(A("Condition &%1:").arg(i + 1), this);
        label->setBuddy(m_condColumn[i]);
        m_layout->addRow(label, row);
        connect(m_condColumn[i], &QComboBox::currentIndexChanged, this, [this] { UpdateRows(); });
        connect(m_condTest[i], &QComboBox::currentIndexChanged, this, [this] { UpdateRows(); });
    }

    m_action = new QComboBox(this);
    m_action->setObjectName(QStringLiteral("actionCombo"));
    for (const char* action : kActions) {
        m_action->addItem(A(action));
    }
    m_layout->addRow(A("&Action:"), m_action);
    m_column = ColumnBox("actionColumnCombo", this, false);
    m_layout->addRow(A("Co&lumn:"), m_column);
    m_value = MakeLineEdit("actionValueEdit", this);
    m_value->setPlaceholderText(A("{brand} puts in another column's text"));
    m_layout->addRow(A("&Value:"), m_value);
    m_find = MakeLineEdit("findEdit", this);
    m_layout->addRow(A("&Find:"), m_find);
    m_pattern = MakeCheckBox("Find is a regular e&xpression", "patternBox", this);
    m_layout->addRow(QString(), m_pattern);
    m_with = MakeLineEdit("withEdit", this);
    m_layout->addRow(A("Replace wit&h:"), m_with);
    m_multiply = MakeLineEdit("multiplyEdit", this);
    m_layout->addRow(A("M&ultiply by:"), m_multiply);
    m_add = MakeLineEdit("addEdit", this);
    m_layout->addRow(A("A&dd:"), m_add);
    m_atLeast = MakeLineEdit("atLeastEdit", this);
    m_layout->addRow(A("At lea&st:"), m_atLeast);
    m_atMost = MakeLineEdit("atMostEdit", this);
    m_layout->addRow(A("At m&ost:"), m_atMost);
    m_round = MakeLineEdit("roundEdit", this);
    m_layout->addRow(A("&Round to digits:"), m_round);
    connect(m_action, &QComboBox::currentIndexChanged, this, [this] {
        // Only the number columns can be calculated with: start on the price.
        if (m_action->currentText() == A("calculate") &&
            !IsNumberColumn(FindColumn(ToUtf8(m_column->currentText())))) {
            m_column->setCurrentText(A("price"));
        }
        UpdateRows();
    });

    m_mistake = new QLabel(this);
    m_mistake->setObjectName(QStringLiteral("ruleFormMistake"));
    m_mistake->setWordWrap(true);
    m_mistake->setTextFormat(Qt::PlainText);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* text = buttons->addButton(A("&TOML Text..."), QDialogButtonBox::ActionRole);
    text->setObjectName(QStringLiteral("tomlTextButton"));
    text->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &CRuleFormDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(text, &QPushButton::clicked, this, [this] {
        m_text = FormatRuleText(Form());
        m_wantsText = true;
        QDialog::accept();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(m_layout);
    layout->addStretch(1);
    layout->addWidget(m_mistake);
    layout->addWidget(buttons);
    UpdateRows();
    resize(620, 0);
}

void CRuleFormDlg::UpdateRows() {
    // A condition row's value only where its test takes one; an action's fields only for that action.
    for (int i = 0; i < kConditionRows; ++i) {
        const bool used = m_condColumn[i]->currentIndex() > 0;
        const RuleTest test = kTests[std::max(0, m_condTest[i]->currentIndex())].test;
        m_condTest[i]->setEnabled(used);
        m_condValue[i]->setEnabled(used && test != RuleTest::kEmpty && test != RuleTest::kNotEmpty);
    }
    const QString action = m_action->currentText();
    const bool calculate = action == A("calculate");
    m_layout->setRowVisible(m_column, action != A("exclude"));
    m_layout->setRowVisible(m_value, action == A("set") || action == A("prepend") || action == A("append"));
    for (QWidget* w : std::initializer_list<QWidget*>{m_find, m_pattern, m_with}) {
        m_layout->setRowVisible(w, action == A("replace"));
    }
    for (QWidget* w : {m_multiply, m_add, m_atLeast, m_atMost, m_round}) {
        m_layout->setRowVisible(w, calculate);
    }
}

bool CRuleFormDlg::ReadNumber(QLineEdit* box, const char* caption, std::optional<double>& out) {
    const QString text = box->text().trimmed();
    out.reset();
    if (text.isEmpty()) {
        return true;
    }
    out = ParseDialogNumber(ToCp1252(text));
    if (!out) {
        m_mistake->setText(A(caption) + A(" needs a number."));
        box->setFocus();
        return false;
    }
    return true;
}

RuleForm CRuleFormDlg::Form() const {
    RuleForm form;
    form.name = ToUtf8(m_name->text().trimmed());
    form.matchAll = m_match->currentIndex() == 0;
    for (int i = 0; i < kConditionRows; ++i) {
        if (m_condColumn[i]->currentIndex() <= 0) {
            continue;
        }
        const TestChoice& choice = kTests[std::max(0, m_condTest[i]->currentIndex())];
        form.conditions.push_back({ToUtf8(m_condColumn[i]->currentText()), choice.test,
                                   ToUtf8(m_condValue[i]->text()), choice.negate});
    }
    form.action = ToUtf8(m_action->currentText());
    form.column = ToUtf8(m_column->currentText());
    form.value = ToUtf8(m_value->text());
    form.find = ToUtf8(m_find->text());
    form.findIsPattern = m_pattern->isChecked();
    form.with = ToUtf8(m_with->text());
    const auto number = [](QLineEdit* box) { return ParseDialogNumber(ToCp1252(box->text().trimmed())); };
    form.multiply = number(m_multiply);
    form.add = number(m_add);
    form.atLeast = number(m_atLeast);
    form.atMost = number(m_atMost);
    if (const auto digits = number(m_round)) {
        form.round = static_cast<int>(*digits);
    }
    return form;
}

void CRuleFormDlg::accept() {
    std::optional<double> unused;
    if (m_action->currentText() == A("calculate") &&
        (!ReadNumber(m_multiply, "Multiply by", unused) || !ReadNumber(m_add, "Add", unused) ||
         !ReadNumber(m_atLeast, "At least", unused) || !ReadNumber(m_atMost, "At most", unused) ||
         !ReadNumber(m_round, "Round to digits", unused))) {
        m_ui.Beep();
        return;
    }
    const std::string text = FormatRuleText(Form());
    try {
        CRuleSet::Parse(text, "rule");
    } catch (const CHandFileError& err) {
        // The line number means nothing to a form; the words after it do.
        std::string what = err.what();
        if (const std::size_t colon = what.find(": "); colon != std::string::npos) {
            what = what.substr(colon + 2);
        }
        m_mistake->setText(Utf8(what));
        m_ui.Beep();
        return;
    }
    m_text = text;
    m_wantsText = false;
    QDialog::accept();
}

}  // namespace yarvelin
