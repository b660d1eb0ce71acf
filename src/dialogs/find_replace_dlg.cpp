#include "dialogs/find_replace_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/yarvelin_gui.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"
#include "widgets/dialog_parts.h"

namespace yarvelin {

CFindReplaceDlg::CFindReplaceDlg(CYarvelinGui& gui, std::vector<std::size_t> positions, QWidget* parent)
    : CBulkEditDlg(gui, std::move(positions), parent) {
    setObjectName(QStringLiteral("CFindReplaceDlg"));
    setWindowTitle(A("Find and Replace"));
    auto* intro =
        new QLabel(A("Replace a text in the %1 selected product(s). Changed products will need to be "
                     "verified again.")
                       .arg(m_positions.size()),
                   this);
    intro->setWordWrap(true);
    m_column = new QComboBox(this);
    m_column->setObjectName(QStringLiteral("columnBox"));
    m_column->setAccessibleName(A("Look in:"));
    FillBulkColumnBox(m_column, true);
    m_find = MakeLineEdit("findBox", this);
    m_replace = MakeLineEdit("replaceBox", this);
    m_regex =
        MakeCheckBox("Regular e&xpression (\\1 in the replacement is the first group)", "regexBox", this);
    m_matchCase = MakeCheckBox("&Match case", "matchCaseBox", this);
    m_preview = new QLabel(this);
    m_preview->setObjectName(QStringLiteral("previewLabel"));
    m_preview->setWordWrap(true);
    m_preview->setMinimumHeight(m_preview->fontMetrics().height() * 2);

    // A large selection takes a moment to count: count after a pause in typing, not on every key.
    m_previewTimer = new QTimer(this);
    m_previewTimer->setSingleShot(true);
    m_previewTimer->setInterval(150);
    connect(m_previewTimer, &QTimer::timeout, this, [this] { UpdatePreview(); });
    const auto later = [this] { m_previewTimer->start(); };
    connect(m_find, &QLineEdit::textChanged, this, later);
    connect(m_replace, &QLineEdit::textChanged, this, later);
    connect(m_column, &QComboBox::currentIndexChanged, this, later);
    connect(m_regex, &QCheckBox::toggled, this, later);
    connect(m_matchCase, &QCheckBox::toggled, this, later);

    auto* form = new QFormLayout;
    const auto row = [this, form](const char* caption, QWidget* field) {
        auto* label = new QLabel(A(caption), this);
        label->setBuddy(field);
        form->addRow(label, field);
    };
    row("&Look in:", m_column);
    row("&Find:", m_find);
    row("Replace &with:", m_replace);
    form->addRow(QString(), m_regex);
    form->addRow(QString(), m_matchCase);

    QDialogButtonBox* buttons = MakeButtons("&Replace");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(m_preview);
    layout->addWidget(buttons);
    setMinimumWidth(460);
    UpdatePreview();
    m_find->setFocus();
}

FindReplaceSpec CFindReplaceDlg::Spec() const {
    FindReplaceSpec spec;
    spec.column = m_column->currentData().toInt();
    spec.find = ToCp1252(m_find->text());
    spec.replace = ToCp1252(m_replace->text());
    spec.regularExpression = m_regex->isChecked();
    spec.matchCase = m_matchCase->isChecked();
    return spec;
}

void CFindReplaceDlg::UpdatePreview() {
    m_previewTimer->stop();
    const FindReplaceSpec spec = Spec();
    if (spec.find.empty()) {
        m_preview->setText(A("Type the text to find."));
        return;
    }
    const BulkChange change = PlanFindReplace(m_gui.Document(), m_positions, spec);
    if (change.refusal) {
        m_preview->setText(BulkRefusalText(*change.refusal));
        return;
    }
    m_preview->setText(
        A("%1 replacement(s) in %2 product(s).").arg(change.replacements).arg(change.products.size()));
}

void CFindReplaceDlg::accept() {
    BulkChange change = PlanFindReplace(m_gui.Document(), m_positions, Spec());
    if (!change.refusal && change.products.empty()) {
        m_gui.Ui().MessageBox(this, A("Yarvelin"), A("Nothing in the selected products matches."),
                              MsgIcon::Information, MsgButtons::Ok);
        m_find->setFocus();
        return;
    }
    if (!Keep(std::move(change))) {
        m_find->setFocus();
        return;
    }
    QDialog::accept();
}

}  // namespace yarvelin
