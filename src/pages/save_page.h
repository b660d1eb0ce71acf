// Step 3 of the wizard: the extended-format headers, the column set, the feed summary and the two saves.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "feed/feed_line_format.h"
#include "pages/wizard_page.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace yarvelin {

class CAnimatedLabel;

class CPage4 : public CWizardPage {
    Q_OBJECT
  public:
    explicit CPage4(CYarvelinGui& gui, QWidget* parent = nullptr);

    bool OnSetActive() override;
    int OnWizardNext() override;
    bool OnQueryCancel() override;

    void RefreshSummary();
    // Both give true when a file was written.
    bool GenerateFeed();
    bool SaveBackup();
    // The diagnostics window over the open feed, with the html_escaped value the save would write.
    void ShowDiagnostics();

    // The header choices the check boxes stand for, as both saves pass them to the writer.
    FeedHeaderChoices HeaderChoices() const;
    bool IsSaved() const { return m_bSaved; }

    // Members mirrored by the check boxes.
    bool m_bNoHeaders = true;
    bool m_bHtmlEscaped = false;
    bool m_bFullFileUpdate = true;
    bool m_bQuoted = false;
    bool m_bBasicFormatOnly = false;

  private:
    void BuildLayout();
    // Data exchange: pull reads the check boxes into the members, push is the reverse.
    void Pull();
    void Push();
    void EnableHeaderChoices();
    // Takes up header values a load or the data check gave the document since the page last looked.
    void TakeUpDocumentHeaders();
    void OnNoHeadersClicked();
    void OnBasicFormatClicked();
    // The save-file dialog and the write, as the file for the service or as a backup; the chosen path, or
    // empty when nothing was written.
    std::string AskAndWrite(const std::string& proposed, bool backup);

    bool m_bSaved = false;
    // The feed m_bSaved belongs to (the document's serial when the page last looked).
    std::uint64_t m_nFeedSerial = 0;
    // Where the last save of this run went; a sample's backup is proposed there.
    std::string m_strLastSaveFolder;
    // Says on the page which file was just written, how large and with how many products.
    void ShowWritten(const std::string& path, bool backup);
    std::string m_seenHtmlEscaped;
    std::string m_seenQuoted;

    CAnimatedLabel* m_title = nullptr;
    QCheckBox* m_basicFormat = nullptr;
    QCheckBox* m_noHeaders = nullptr;
    QCheckBox* m_htmlEscaped = nullptr;
    QCheckBox* m_fullFileUpdate = nullptr;
    QCheckBox* m_quoted = nullptr;
    QPushButton* m_generate = nullptr;
    QPushButton* m_backup = nullptr;
    QPushButton* m_diagnostics = nullptr;
    std::vector<QLabel*> m_summaryValues;
    QLabel* m_savedLine = nullptr;  // what the last save wrote, under the save buttons
};

}  // namespace yarvelin
