#include "dialogs/account_setup_dlg.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/yarvelin_gui.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"

namespace yarvelin {

namespace {

QLabel* IconLabel(const QString& resource, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setPixmap(QIcon(resource).pixmap(32, 32));
    label->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    label->setFixedWidth(40);
    return label;
}

QLabel* Note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

CAccountSetupDlg::CAccountSetupDlg(CYarvelinGui& gui, QWidget* parent) : QDialog(parent), m_gui(gui) {
    setObjectName(QStringLiteral("CAccountSetupDlg"));
    setWindowTitle(A("Account Setup"));
    setModal(true);

    auto* top = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->addWidget(IconLabel(QStringLiteral(":/icons/account.png"), this), 0, 0);
    QLabel* intro =
        Note(A("Please enter your Quorvin Account information here. Yarvelin uses your Quorvin account "
               "information to customize certain features for you."),
             this);
    intro->setObjectName(QStringLiteral("introNote"));
    grid->addWidget(intro, 0, 1);

    grid->addWidget(IconLabel(QStringLiteral(":/icons/user.png"), this), 1, 0);
    auto* nameRow = new QHBoxLayout;
    auto* nameLabel = new QLabel(A("Username : "), this);
    nameLabel->setObjectName(QStringLiteral("userNameLabel"));
    m_userName = new QLineEdit(FromCp1252(gui.Document().Account()), this);
    m_userName->setObjectName(QStringLiteral("userNameEdit"));
    nameLabel->setBuddy(m_userName);
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(m_userName, 1);
    grid->addLayout(nameRow, 1, 1);
    top->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* setup = new QPushButton(A("Setup Account"), this);
    setup->setObjectName(QStringLiteral("setupAccountButton"));
    setup->setDefault(true);
    auto* cancel = new QPushButton(A("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    buttons->addWidget(setup);
    buttons->addWidget(cancel);
    top->addLayout(buttons);

    top->addSpacing(8);
    QLabel* howTo =
        Note(A("For information on how to get a Quorvin Account for your online store. Please click "
               "the button below."),
             this);
    howTo->setObjectName(QStringLiteral("howToNote"));
    top->addWidget(howTo);
    auto* getting = new QPushButton(A("Getting A Quorvin Account"), this);
    getting->setObjectName(QStringLiteral("gettingAccountButton"));
    getting->setAutoDefault(false);
    auto* gettingRow = new QHBoxLayout;
    gettingRow->addWidget(getting);
    gettingRow->addStretch(1);
    top->addLayout(gettingRow);

    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("footFrame"));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    auto* frameLayout = new QVBoxLayout(frame);
    QLabel* foot =
        Note(A("You can use Yarvelin without entering your Quorvin Account information; however you "
               "need to save your file manually each time and use a 3rd party FTP software to upload "
               "your feed file."),
             frame);
    foot->setObjectName(QStringLiteral("footNote"));
    frameLayout->addWidget(foot);
    top->addSpacing(6);
    top->addWidget(frame);

    connect(setup, &QPushButton::clicked, this, &CAccountSetupDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CAccountSetupDlg::reject);
    connect(getting, &QPushButton::clicked, this, &CAccountSetupDlg::OnGettingAccount);

    setMinimumWidth(420);
    m_userName->setFocus();
}

void CAccountSetupDlg::accept() {
    // The account name becomes a file name and the FTP user name: a character turned into '?' would
    // name neither.
    if (RefuseUnstorableText(m_gui.Ui(), this, {{m_userName, m_userName->text()}})) {
        return;
    }
    // Stored exactly as typed: blanks and an empty name are the merchant's choice.
    m_gui.Document().SetAccount(ToCp1252(m_userName->text()));
    QDialog::accept();
}

void CAccountSetupDlg::OnGettingAccount() {
    OpenWebAddress(m_gui.Ui(), this, FromCp1252(m_gui.Config().signUpUrl));
}

}  // namespace yarvelin
