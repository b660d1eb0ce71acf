#include "dialogs/name_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/yarvelin_gui.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"
#include "records/text_util.h"

namespace yarvelin {

CNameDlg::CNameDlg(CYarvelinGui& gui, OptionListKind kind, const QString& text, QWidget* parent)
    : QDialog(parent), m_gui(gui), m_kind(kind) {
    const NameDialogTexts& texts = NameDialogTextsFor(kind);
    setObjectName(QStringLiteral("nameDialog"));
    setWindowTitle(A(texts.title));
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(A(texts.prompt), this);
    layout->addWidget(prompt);
    m_edit = new QLineEdit(text, this);
    m_edit->setObjectName(QStringLiteral("nameEdit"));
    m_edit->setMinimumWidth(320);
    prompt->setBuddy(m_edit);
    layout->addWidget(m_edit);
    if (kind == OptionListKind::Categories) {
        auto* note = new QLabel(A("Separate the levels of a category with '>'.\n"
                                  "e.g.: Home & Garden > Kitchen > Appliances\n"
                                  "Use your own site's category structure: Quorvin maps it onto its own "
                                  "category hierarchy."),
                                this);
        note->setObjectName(QStringLiteral("categoryNote"));
        note->setWordWrap(true);
        layout->addWidget(note);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(A("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(A("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CNameDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CNameDlg::reject);
    layout->addWidget(buttons);
}

void CNameDlg::accept() {
    const NameDialogTexts& texts = NameDialogTextsFor(m_kind);
    if (RefuseUnstorableText(m_gui.Ui(), this, {{m_edit, m_edit->text()}})) {
        return;
    }
    const std::string typed = ToCp1252(m_edit->text());
    switch (CheckOptionName(typed, UserList(m_gui.App(), m_kind))) {
        case NameCheck::Empty:
            m_gui.Ui().MessageBox(this, A(texts.emptyCaption), A(texts.emptyMessage), MsgIcon::Stop,
                                  MsgButtons::Ok);
            m_edit->setFocus();
            return;
        case NameCheck::Duplicate:
            m_gui.Ui().MessageBox(this, A(texts.duplicateCaption), A(texts.duplicateMessage), MsgIcon::Stop,
                                  MsgButtons::Ok);
            m_edit->setFocus();
            return;
        case NameCheck::Accepted:
            break;
    }
    m_name = Trim(typed);
    QDialog::accept();
}

}  // namespace yarvelin
