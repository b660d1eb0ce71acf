#include "pages/start_page.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/yarvelin_gui.h"
#include "dialogs/account_setup_dlg.h"
#include "feed/feed_file.h"
#include "feed/feed_report_view.h"
#include "import/import_dlg.h"
#include "import/import_error.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"
#include "widgets/animated_label.h"
#include "widgets/dialog_parts.h"

namespace yarvelin {

namespace {

constexpr int kMoreFilesRow = 0;

QLabel* Note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton* SideButton(const QString& text, const char* icon, const char* name, QWidget* parent) {
    auto* button = new QPushButton(QIcon(QString::fromLatin1(icon)), text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIconSize(QSize(24, 24));
    button->setAutoDefault(false);
    button->setMinimumHeight(34);
    return button;
}

}  // namespace

CPage1::CPage1(CYarvelinGui& gui, QWidget* parent)
    : CWizardPage(gui, A("Yarvelin : Step 1 > Create New Data Feed or Open Existing Feed File"), parent) {
    setObjectName(QStringLiteral("CPage1"));

    // The samples ship in the program's data folder; added oldest first, so the list reads Office,
    // Flowers, Electronics.
    for (const char* sample : {"SampleElectronics.txt", "SampleFlowers.txt", "SampleOffice.txt"}) {
        const QString path = gui.ProgramDir() + QDir::separator() + QStringLiteral("Samples") +
                             QDir::separator() + QString::fromLatin1(sample);
        gui.App().SampleFeeds().Add(ToPath(path));
    }
    gui.Document().SetDataVerified(false);

    m_heading = new CAnimatedLabel(this);
    m_heading->setObjectName(QStringLiteral("headingLabel"));
    m_newLabel = new CAnimatedLabel(this);
    m_newLabel->setObjectName(QStringLiteral("newFileLabel"));
    m_openLabel = new CAnimatedLabel(this);
    m_openLabel->setObjectName(QStringLiteral("openFileLabel"));
    m_importLabel = new CAnimatedLabel(this);
    m_importLabel->setObjectName(QStringLiteral("importLabel"));
    for (CAnimatedLabel* label : {m_heading, m_newLabel, m_openLabel, m_importLabel}) {
        label->setMinimumHeight(22);
        label->setCursor(label == m_heading ? Qt::ArrowCursor : Qt::PointingHandCursor);
    }

    m_newRadio = new QRadioButton(this);
    m_newRadio->setObjectName(QStringLiteral("newFileRadio"));
    // Named as the clickable heading beside each button reads.
    m_newRadio->setAccessibleName(A("Create a NEW Quorvin datafeed file"));
    m_newRadio->setChecked(true);
    m_openRadio = new QRadioButton(this);
    m_openRadio->setObjectName(QStringLiteral("openFileRadio"));
    m_openRadio->setAccessibleName(A("Open An Existing File"));
    m_importRadio = new QRadioButton(this);
    m_importRadio->setObjectName(QStringLiteral("importRadio"));
    m_importRadio->setAccessibleName(A("Import a Shop's Product Export"));

    QLabel* newNote = Note(A("Select this option if you're creating a new feed file for your store."), this);
    newNote->setObjectName(QStringLiteral("newFileNote"));
    QLabel* openNote =
        Note(A("Select this option if you're opening an existing feed file to modify or re-submit. "
               "Select and click on the OPEN button."),
             this);
    openNote->setObjectName(QStringLiteral("openFileNote"));
    QLabel* importNote =
        Note(A("Select this option to make a feed from your shop's product export (CSV from WooCommerce, "
               "Shopify, Magento, PrestaShop or a spreadsheet)."),
             this);
    importNote->setObjectName(QStringLiteral("importNote"));

    m_fileList = new QListWidget(this);
    m_fileList->setObjectName(QStringLiteral("fileList"));
    m_fileList->setAccessibleName(A("Feed files"));
    m_fileList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_fileList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_fileList->setEnabled(false);

    m_openButton = MakePushButton("&Open", "openButton", this);
    m_openButton->setAutoDefault(false);
    m_openButton->setEnabled(false);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLine"));
    m_status->setTextFormat(Qt::PlainText);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progressBar"));
    m_progress->setAccessibleName(A("Loading progress"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setMaximumHeight(14);

    QPushButton* articles = SideButton(A("Quorvin Articles"), ":/icons/articles.png", "articlesButton", this);
    QPushButton* about = SideButton(A("About..."), ":/icons/about.png", "aboutButton", this);
    QPushButton* account = SideButton(A("&Account Setup"), ":/icons/account.png", "accountSetupButton", this);

    // Layout: the heading across the top, the two choices with the file list on the left, the side
    // buttons in a column on the right.
    auto* top = new QVBoxLayout(this);
    top->addWidget(m_heading);
    auto* body = new QHBoxLayout;
    auto* choices = new QGridLayout;
    choices->setColumnStretch(1, 1);
    choices->setHorizontalSpacing(6);
    choices->addWidget(m_newRadio, 0, 0);
    choices->addWidget(m_newLabel, 0, 1);
    choices->addWidget(newNote, 1, 1);
    choices->setRowMinimumHeight(2, 8);
    choices->addWidget(m_openRadio, 3, 0);
    choices->addWidget(m_openLabel, 3, 1);
    choices->addWidget(openNote, 4, 1);
    choices->addWidget(m_fileList, 5, 1);
    auto* openRow = new QHBoxLayout;
    openRow->addWidget(m_openButton);
    auto* progressColumn = new QVBoxLayout;
    progressColumn->addWidget(m_status);
    progressColumn->addWidget(m_progress);
    openRow->addLayout(progressColumn, 1);
    choices->addLayout(openRow, 6, 1);
    // The import choice comes below everything that was there before, so nothing else moves.
    choices->setRowMinimumHeight(7, 8);
    choices->addWidget(m_importRadio, 8, 0);
    choices->addWidget(m_importLabel, 8, 1);
    choices->addWidget(importNote, 9, 1);
    choices->setRowStretch(5, 1);
    body->addLayout(choices, 1);
    auto* side = new QVBoxLayout;
    side->addWidget(articles);
    side->addWidget(about);
    side->addWidget(account);
    side->addStretch(1);
    body->addSpacing(8);
    body->addLayout(side);
    top->addLayout(body, 1);

    connect(m_newRadio, &QRadioButton::clicked, this, &CPage1::ChooseNewFile);
    connect(m_openRadio, &QRadioButton::clicked, this, &CPage1::ChooseOpenFile);
    connect(m_newLabel, &CAnimatedLabel::clicked, this, &CPage1::ChooseNewFile);
    connect(m_openLabel, &CAnimatedLabel::clicked, this, &CPage1::ChooseOpenFile);
    connect(m_importRadio, &QRadioButton::clicked, this, &CPage1::ChooseImport);
    connect(m_importLabel, &CAnimatedLabel::clicked, this, &CPage1::ChooseImport);
    connect(m_fileList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) {
            m_openButton->setEnabled(true);
        }
    });
    connect(m_fileList, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem*) {
        m_openButton->setEnabled(true);
        OpenSelected();
    });
    connect(m_openButton, &QPushButton::clicked, this, &CPage1::OpenSelected);
    connect(articles, &QPushButton::clicked, this,
            [this] { OpenWebAddress(m_gui.Ui(), this, FromCp1252(m_gui.Config().articlesUrl)); });
    connect(about, &QPushButton::clicked, this, [this] { m_gui.ShowAbout(this); });
    connect(account, &QPushButton::clicked, this, &CPage1::ShowAccountSetup);
}

void CPage1::FillFileList() {
    // Filled once: files opened later in the run reach the list at the next start.
    m_fileList->clear();
    m_fileList->addItem(A("More Files..."));
    for (const auto& list : {m_gui.App().RecentFeeds().NonEmpty(), m_gui.App().SampleFeeds().NonEmpty()}) {
        for (const std::string& path : list) {
            m_fileList->addItem(FromPath(path));
        }
    }
    m_fileList->setCurrentRow(-1);
    m_fileList->setEnabled(false);
    m_bListFilled = true;
}

bool CPage1::OnSetActive() {
    if (!m_bListFilled) {
        FillFileList();
    }
    m_nMode = m_openRadio->isChecked()     ? kModeOpenFile
              : m_importRadio->isChecked() ? kModeImport
                                           : kModeNewFile;
    const bool open = m_nMode == kModeOpenFile;
    m_openButton->setEnabled(open);
    m_fileList->setEnabled(open);

    const QColor face = palette().color(QPalette::Button);
    const struct {
        CAnimatedLabel* label;
        const char* text;
    } labels[] = {{m_newLabel, "Create a NEW Quorvin datafeed file"},
                  {m_openLabel, "Open An Existing File"},
                  {m_importLabel, "Import a Shop's Product Export"},
                  {m_heading, "Welcome to Yarvelin. How would you like to start?"}};
    for (const auto& [label, text] : labels) {
        label->SetBackgroundColor(face);
        label->SetBorder(false);
        label->SetMainFontBold(true);
        label->SetText(A(text), QString(), 0);
    }
    update();
    return true;
}

void CPage1::ChooseNewFile() {
    // A click on the choice already made changes nothing: it must not empty the list again.
    if (m_nMode == kModeNewFile) {
        m_newRadio->setChecked(true);
        return;
    }
    if (!MayDropEdits()) {
        m_openRadio->setChecked(true);
        return;
    }
    ShowNewFeedChosen();
    m_progress->setValue(0);
    m_status->clear();
    // A new feed starts without products and without anything of the previous one, its name included,
    // so that a backup never lands on the file that was open.
    m_gui.Document().StartNewFeed();
}

void CPage1::ShowNewFeedChosen() {
    m_newRadio->setChecked(true);
    m_nMode = kModeNewFile;
    m_bNewFeed = true;
    m_openButton->setEnabled(false);
    m_fileList->setEnabled(false);
}

bool CPage1::MayDropEdits() {
    if (!m_gui.Document().IsChanged()) {
        return true;
    }
    // The save-changes question: Yes shows the save page, No drops the edits, Cancel keeps them.
    return QueryCancelWithSaveQuestion();
}

void CPage1::ChooseOpenFile() {
    if (m_nMode == kModeOpenFile) {
        m_openRadio->setChecked(true);
        return;
    }
    m_openRadio->setChecked(true);
    m_nMode = kModeOpenFile;
    m_bNewFeed = false;
    m_fileList->setEnabled(true);
    m_progress->setValue(0);
    m_status->clear();
}

void CPage1::OpenSelected() {
    const int row = m_fileList->currentRow();
    if (row < 0) {
        return;
    }
    if (row != kMoreFilesRow) {
        LoadFile(m_fileList->item(row)->text());
        return;
    }
    FileDialogRequest request;
    request.filter = A("Text Files (*.txt)|*.txt|All Files (*.*)|*.*||");
    request.defaultExt = A("txt");
    if (const auto path = m_gui.Ui().OpenFileDialog(this, request)) {
        LoadFile(*path);
    }
}

void CPage1::LoadFile(const QString& path) {
    if (!MayDropEdits()) {
        // The new feed the user was building is still the open one: show it chosen again, so Next goes
        // on with it.
        if (m_gui.Document().FileName().empty()) {
            ShowNewFeedChosen();
        }
        return;
    }
    CFeedReportView report(m_gui.Ui(), this, m_progress, m_status);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_gui.App().OpenFeed(ToPath(path), report);
    QApplication::restoreOverrideCursor();
}

void CPage1::ChooseImport() {
    // The choice shows what was chosen before until an import has been made.
    auto restore = [this] {
        (m_nMode == kModeOpenFile ? m_openRadio
         : m_nMode == kModeImport ? m_importRadio
                                  : m_newRadio)
            ->setChecked(true);
    };
    FileDialogRequest request;
    request.filter =
        A("Shop Exports (*.csv;*.tsv;*.txt;*.xml;*.xlsx;*.ods)|*.csv;*.tsv;*.txt;*.xml;*.xlsx;*.ods|"
          "CSV Files (*.csv;*.txt)|*.csv;*.txt|Spreadsheets (*.xlsx;*.ods)|*.xlsx;*.ods|"
          "All Files (*.*)|*.*||");
    request.defaultExt = A("csv");
    const auto path = m_gui.Ui().OpenFileDialog(this, request);
    if (!path) {
        restore();
        return;
    }
    CImportDlg dlg(m_gui, *path, this);
    if (dlg.exec() != QDialog::Accepted || !MayDropEdits()) {
        restore();
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        const ImportCounts counts = ImportIntoDocument(m_gui.Document(), ToPath(*path), dlg.Settings());
        QApplication::restoreOverrideCursor();
        m_importRadio->setChecked(true);
        m_nMode = kModeImport;
        m_bNewFeed = true;
        m_openButton->setEnabled(false);
        m_fileList->setEnabled(false);
        m_progress->setValue(100);
        m_status->setText(QString::number(counts.products) +
                          A(" products imported. Press NEXT to continue."));
    } catch (const CImportError& e) {
        QApplication::restoreOverrideCursor();
        restore();
        m_gui.Ui().MessageBox(this, A("Yarvelin"), FromPath(e.what()), MsgIcon::Exclamation, MsgButtons::Ok);
    }
}

int CPage1::OnWizardNext() {
    // A feed with unsaved edits is open even when it has no file yet: Next goes on with it.
    if (m_bNewFeed || !m_gui.Document().FileName().empty() || m_gui.Document().IsChanged()) {
        return kWizardMoveOn;
    }
    const MsgAnswer answer = m_gui.Ui().MessageBox(
        this, A("Yarvelin"), A("You haven't opened a file. Would you like to open a file now?"),
        MsgIcon::Question, MsgButtons::OkCancel);
    if (answer == MsgAnswer::Ok) {
        // With nothing picked in the list, OK leads to the open-file dialog: the question promised a file.
        if (m_fileList->currentRow() < 0) {
            m_fileList->setCurrentRow(kMoreFilesRow);
        }
        OpenSelected();
    }
    return kWizardStay;
}

void CPage1::ShowAccountSetup() {
    CAccountSetupDlg dlg(m_gui, this);
    dlg.exec();
}

}  // namespace yarvelin
