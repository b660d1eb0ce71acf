#include "pages/save_page.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "app/dialog_start_path.h"
#include "app/wizard_property_sheet.h"
#include "app/wizard_rules.h"
#include "app/yarvelin_gui.h"
#include "dialogs/diagnostics_dlg.h"
#include "feed/feed_file.h"
#include "feed/feed_report_view.h"
#include "feed/feed_summary.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"
#include "records/text_util.h"
#include "widgets/animated_label.h"
#include "widgets/dialog_parts.h"

namespace yarvelin {

namespace {

// Object names of the summary values, in row order.
const char* const kSummaryNames[] = {
    "summaryAccount",  "summaryUpdateType",  "summaryFileName",  "summaryFileSize", "summaryProductType",
    "summaryProducts", "summaryProductUrls", "summaryImageUrls", "summaryOfferIds", "summaryNewlinesTabs",
    "summaryEscapes",  "summaryHtmlTags",    "summaryMarked"};
constexpr int kSummaryRows = static_cast<int>(std::size(kSummaryNames));
constexpr int kFileNameRow = 2;
constexpr int kFileSizeRow = 3;

std::string FolderOf(const std::string& path) {
    const auto sep = path.find_last_of('/');
    return sep == std::string::npos ? std::string() : path.substr(0, sep == 0 ? 1 : sep);
}

}  // namespace

CPage4::CPage4(CYarvelinGui& gui, QWidget* parent)
    : CWizardPage(gui, A("Yarvelin : Step 3 > Extended Format Headers & Save"), parent) {
    setObjectName(QStringLiteral("CPage4"));
    const CFeedDocument& doc = m_gui.Document();
    // Taken when the page is made, which is before any feed is open.
    m_bHtmlEscaped = doc.Headers().htmlEscaped == "YES";
    m_bQuoted = doc.Headers().quoted == "YES";
    m_seenHtmlEscaped = doc.Headers().htmlEscaped;
    m_seenQuoted = doc.Headers().quoted;
    BuildLayout();
    Push();
}

void CPage4::BuildLayout() {
    auto* layout = new QVBoxLayout(this);
    m_title = new CAnimatedLabel(this);
    m_title->setObjectName(QStringLiteral("titleLabel"));
    m_title->SetBorder(false);
    m_title->SetMainFontBold(true);
    // The line that says what a save wrote takes its room from the rest of the page, not from the heading.
    m_title->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    layout->addWidget(m_title);

    auto* headers = new QGroupBox(A("Extended Header Information"), this);
    headers->setObjectName(QStringLiteral("headerGroup"));
    auto* headerLayout = new QGridLayout(headers);
    headerLayout->addWidget(MakeWrappedLabel("Yarvelin handles this automatically for you. ", headers), 0, 0,
                            1, 2);
    headerLayout->addWidget(MakeWrappedLabel("Advanced users can override these settings.", headers), 1, 0, 1,
                            2);
    m_basicFormat = MakeCheckBox("Basic Format Only", "basicFormatCheck", headers);
    m_noHeaders = MakeCheckBox("Don't include any extended-format headers", "noHeadersCheck", headers);
    m_htmlEscaped = MakeCheckBox("HTML Escape Sequences", "htmlEscapedCheck", headers);
    m_fullFileUpdate = MakeCheckBox("Full file update", "fullFileUpdateCheck", headers);
    m_quoted = MakeCheckBox("Newlines / Tabs / Quotes", "quotedCheck", headers);
    headerLayout->addWidget(m_basicFormat, 2, 0, 1, 2);
    headerLayout->addWidget(m_noHeaders, 3, 0, 1, 2);
    headerLayout->setColumnMinimumWidth(0, 20);
    headerLayout->addWidget(m_htmlEscaped, 4, 1);
    headerLayout->addWidget(m_fullFileUpdate, 5, 1);
    headerLayout->addWidget(m_quoted, 6, 1);
    layout->addWidget(headers);

    auto* saves = new QGridLayout;
    m_generate = MakePushButton("Generate && Save Feed File", "generateButton", this);
    m_backup = MakePushButton("Save Backup", "backupButton", this);
    CGridRows saveRows(saves);
    saveRows.Add(m_generate,
                 MakeWrappedLabel("1. Quorvin requires that the name of the file that you upload be "
                                  "the same as your account name. ",
                                  this));
    saveRows.Add(m_backup,
                 MakeWrappedLabel(
                     "2. For your backup purposes, you can save the file in another location too.", this));
    m_diagnostics = MakePushButton("Dia&gnostics...", "diagnosticsButton", this);
    saves->addWidget(m_diagnostics, 0, 2, Qt::AlignTop);
    saves->setColumnStretch(1, 1);
    layout->addLayout(saves);
    m_savedLine = new QLabel(this);
    m_savedLine->setObjectName(QStringLiteral("savedLine"));
    m_savedLine->setTextFormat(Qt::PlainText);
    m_savedLine->setWordWrap(true);
    m_savedLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_savedLine->hide();  // takes room only once there is something to say
    layout->addWidget(m_savedLine);

    auto* summary = new QGroupBox(A("Feed Summary"), this);
    summary->setObjectName(QStringLiteral("summaryGroup"));
    auto* summaryLayout = new QGridLayout(summary);
    summaryLayout->addWidget(new QLabel(A("Summary of the data feed file you created."), summary), 0, 0, 1,
                             4);
    // Two columns of label/value pairs keep the thirteen rows within the page.
    const auto rows = BuildSummaryRows(m_gui.Document(), m_bFullFileUpdate, "0 BYTES");
    const int perColumn = (kSummaryRows + 1) / 2;
    for (int i = 0; i < kSummaryRows; ++i) {
        auto* label = new QLabel(FromCp1252(rows[static_cast<std::size_t>(i)].first), summary);
        auto* value = new QLabel(summary);
        value->setObjectName(QLatin1String(kSummaryNames[i]));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        const int row = 1 + i % perColumn;
        const int col = (i / perColumn) * 2;
        summaryLayout->addWidget(label, row, col);
        summaryLayout->addWidget(value, row, col + 1);
        m_summaryValues.push_back(value);
    }
    summaryLayout->setColumnStretch(1, 1);
    summaryLayout->setColumnStretch(3, 1);
    layout->addWidget(summary);
    layout->addStretch(1);

    connect(m_noHeaders, &QCheckBox::clicked, this, [this] { OnNoHeadersClicked(); });
    connect(m_basicFormat, &QCheckBox::clicked, this, [this] { OnBasicFormatClicked(); });
    connect(m_generate, &QPushButton::clicked, this, [this] { GenerateFeed(); });
    connect(m_backup, &QPushButton::clicked, this, [this] { SaveBackup(); });
    connect(m_diagnostics, &QPushButton::clicked, this, [this] { ShowDiagnostics(); });
}

void CPage4::Pull() {
    m_bNoHeaders = m_noHeaders->isChecked();
    m_bHtmlEscaped = m_htmlEscaped->isChecked();
    m_bFullFileUpdate = m_fullFileUpdate->isChecked();
    m_bQuoted = m_quoted->isChecked();
    m_bBasicFormatOnly = m_basicFormat->isChecked();
}

void CPage4::Push() {
    m_noHeaders->setChecked(m_bNoHeaders);
    m_htmlEscaped->setChecked(m_bHtmlEscaped);
    m_fullFileUpdate->setChecked(m_bFullFileUpdate);
    m_quoted->setChecked(m_bQuoted);
    m_basicFormat->setChecked(m_bBasicFormatOnly);
}

void CPage4::EnableHeaderChoices() {
    const bool on = !m_noHeaders->isChecked();
    m_htmlEscaped->setEnabled(on);
    m_fullFileUpdate->setEnabled(on);
    m_quoted->setEnabled(on);
}

void CPage4::TakeUpDocumentHeaders() {
    const CFeedDocument& doc = m_gui.Document();
    // Only values that changed since the page last looked, so that the user's own choices are not undone
    // by going back and forth.
    if (doc.Headers().htmlEscaped != m_seenHtmlEscaped) {
        m_seenHtmlEscaped = doc.Headers().htmlEscaped;
        m_htmlEscaped->setChecked(HeaderValueMeansYes(m_seenHtmlEscaped));
    }
    if (doc.Headers().quoted != m_seenQuoted) {
        m_seenQuoted = doc.Headers().quoted;
        m_quoted->setChecked(HeaderValueMeansYes(m_seenQuoted));
    }
}

bool CPage4::OnSetActive() {
    // A file generated from an earlier feed does not count for the one that is open now.
    if (m_nFeedSerial != m_gui.Document().FeedSerial()) {
        m_nFeedSerial = m_gui.Document().FeedSerial();
        m_bSaved = false;
        m_savedLine->clear();
        m_savedLine->hide();
    }
    m_title->SetBackgroundColor(palette().color(QPalette::Button));
    m_title->SetText(A("Include Optional Extended Header Information and Save your file."), QString(), 10);
    TakeUpDocumentHeaders();
    // The basic-format box is not considered here: coming back to the page enables the three again.
    EnableHeaderChoices();
    RefreshSummary();
    return true;
}

void CPage4::OnNoHeadersClicked() {
    Pull();
    EnableHeaderChoices();
    RefreshSummary();
}

void CPage4::OnBasicFormatClicked() {
    Pull();
    m_gui.Document().SetBasicFormat(m_bBasicFormatOnly);
    if (m_bBasicFormatOnly) {
        m_noHeaders->setEnabled(false);
        m_htmlEscaped->setEnabled(false);
        m_fullFileUpdate->setEnabled(false);
        m_quoted->setEnabled(false);
    } else {
        m_noHeaders->setEnabled(true);
        EnableHeaderChoices();
    }
    Push();
}

void CPage4::RefreshSummary() {
    Pull();
    const auto rows = BuildSummaryRows(m_gui.Document(), m_bFullFileUpdate,
                                       ToCp1252(m_summaryValues[kFileSizeRow]->text()));
    for (int i = 0; i < kSummaryRows; ++i) {
        const std::string& value = rows[static_cast<std::size_t>(i)].second;
        // The file name is a path component in the system's encoding; the rest are program texts.
        m_summaryValues[static_cast<std::size_t>(i)]->setText(i == kFileNameRow ? FromPath(value)
                                                                                : FromCp1252(value));
    }
}

FeedHeaderChoices CPage4::HeaderChoices() const {
    FeedHeaderChoices choices;
    choices.includeHeaders = !m_bNoHeaders;
    choices.htmlEscaped = m_bHtmlEscaped;
    choices.updatesOnly = !m_bFullFileUpdate;
    choices.quoted = m_bQuoted;
    return choices;
}

std::string CPage4::AskAndWrite(const std::string& proposed, bool backup) {
    FileDialogRequest request;
    // A bare name opens beside the open feed (or in the documents), never in the folder the toolkit
    // last showed, which may be the shipped samples.
    request.startFolder = DialogStartFolderFor(m_gui, DialogFileKind::kFeed, m_gui.Document().FileName());
    request.filter = A("Text Files (*.txt)|*.txt|All Files (*.*)|*.*||");
    request.defaultExt = A("txt");
    request.proposedName = FromPath(proposed);
    request.overwritePrompt = true;
    const std::optional<QString> chosen = m_gui.Ui().SaveFileDialog(this, request);
    if (!chosen || chosen->isEmpty()) {
        return {};
    }
    const std::string path = ToPath(*chosen);
    // Said before anything is written, so that the user can still go back and change those texts.
    if (const std::size_t lineBreaks = CountValuesWithLineBreaks(m_gui.Document()); lineBreaks > 0) {
        if (m_gui.Ui().MessageBox(this, A("Yarvelin"), FromCp1252(LineBreaksNotice(lineBreaks)),
                                  MsgIcon::Information, MsgButtons::OkCancel) != MsgAnswer::Ok) {
            return {};
        }
    }
    // Values holding TABs are written between quotes, which the file must announce with quoted=YES.
    const FeedHeaderChoices choices = HeaderChoices();
    const std::size_t tabValues = CountValuesWithTabs(m_gui.Document());
    const FeedHeaderChoices written = HeaderChoicesForValues(choices, tabValues);
    const bool headersChange =
        written.includeHeaders != choices.includeHeaders || written.quoted != choices.quoted;
    if (headersChange && m_gui.Ui().MessageBox(this, A("Yarvelin"), FromCp1252(QuotedHeaderNotice(tabValues)),
                                               MsgIcon::Information, MsgButtons::OkCancel) != MsgAnswer::Ok) {
        return {};
    }
    CFeedReportView report(m_gui.Ui(), this);
    if (!(backup ? m_gui.App().SaveBackup(path, choices, report)
                 : m_gui.App().SaveFeed(path, choices, report))) {
        return {};
    }
    ShowWritten(path, backup);
    if (headersChange) {
        // The page shows what the file now says.
        m_bNoHeaders = !written.includeHeaders;
        m_bHtmlEscaped = written.htmlEscaped;
        m_bFullFileUpdate = !written.updatesOnly;
        m_bQuoted = written.quoted;
        Push();
        EnableHeaderChoices();
    }
    return path;
}

void CPage4::ShowWritten(const std::string& path, bool backup) {
    const std::size_t products = m_gui.Document().Count();
    const std::string details = " (" + SummaryFileSize(path).value_or("?") + ", " + std::to_string(products) +
                                (products == 1 ? " product)" : " products)");
    m_savedLine->setText(A(backup ? "Backup saved: " : "Feed file saved: ") + FromPath(path) +
                         FromCp1252(details));
    m_savedLine->show();
    RefreshSummary();
}

bool CPage4::GenerateFeed() {
    Pull();
    const FeedHeaderChoices choices = HeaderChoices();
    if (!CDiagnosticsDlg::ConfirmBeforeSave(m_gui, this, choices.includeHeaders && choices.htmlEscaped)) {
        RefreshSummary();  // products may have been corrected from the window the question opened
        return false;
    }
    CFeedDocument& doc = m_gui.Document();
    const std::string path = AskAndWrite(ProposedFeedFileName(doc.Account()), false);
    if (path.empty()) {
        return false;
    }
    m_bSaved = true;
    m_strLastSaveFolder = FolderOf(path);
    Push();
    return true;
}

bool CPage4::SaveBackup() {
    Pull();
    CFeedDocument& doc = m_gui.Document();
    // A shipped sample stays as it came: its backup goes where the user last saved, or to the documents.
    const bool sample = m_gui.App().SampleFeeds().ContainsExactly(doc.FileName());
    // Many desktops have no Documents folder; the file dialog must not propose one that is not there.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const std::string folder = !m_strLastSaveFolder.empty() ? m_strLastSaveFolder
                               : QDir(documents).exists()   ? ToPath(documents)
                                                            : ToPath(QDir::homePath());
    const std::string path = AskAndWrite(ProposedBackupFileName(doc.FileName(), sample, folder), true);
    if (path.empty()) {
        return false;
    }
    m_strLastSaveFolder = FolderOf(path);
    Push();
    return true;
}

void CPage4::ShowDiagnostics() {
    Pull();
    const FeedHeaderChoices choices = HeaderChoices();
    CDiagnosticsDlg window(m_gui, choices.includeHeaders && choices.htmlEscaped, this);
    window.exec();
    // Products corrected from the window change the counts shown here.
    RefreshSummary();
}

int CPage4::OnWizardNext() {
    if (CWizardPropertySheet* sheet = Sheet()) {
        sheet->SetWizardButtons(kWizBack | kWizNext);
    }
    if (m_bSaved) {
        return kWizardMoveOn;
    }
    const MsgAnswer answer = m_gui.Ui().MessageBox(this, A("Yarvelin"),
                                                   A("Quorvin requires that you name your file the same as "
                                                     "your account name.\n Would you like to save your "
                                                     "feed file now?"),
                                                   MsgIcon::Question, MsgButtons::YesNoCancel);
    if (answer == MsgAnswer::Yes) {
        GenerateFeed();
        return kWizardStay;
    }
    return answer == MsgAnswer::No ? kWizardMoveOn : kWizardStay;
}

bool CPage4::OnQueryCancel() {
    if (!m_gui.Document().IsChanged()) {
        return true;
    }
    const MsgAnswer answer = m_gui.Ui().MessageBox(this, A("Yarvelin"),
                                                   A("This data in this file has changed. \nDo you want to "
                                                     "save a backup of the changes you made to this file?"),
                                                   MsgIcon::Question, MsgButtons::YesNoCancel);
    if (answer == MsgAnswer::Yes) {
        // The wizard closes only when the backup is on disk: a failed or cancelled save keeps the edits.
        return SaveBackup();
    }
    return answer == MsgAnswer::No;
}

}  // namespace yarvelin
