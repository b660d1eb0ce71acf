// Step 1: start a new feed, or open one from the recent files, the samples or the open-file dialog.
#pragma once

#include "pages/wizard_page.h"

class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace yarvelin {

class CAnimatedLabel;

class CPage1 : public CWizardPage {
    Q_OBJECT
  public:
    enum Mode { kModeNewFile = 0, kModeOpenFile = 1, kModeImport = 2 };

    explicit CPage1(CYarvelinGui& gui, QWidget* parent = nullptr);

    bool OnSetActive() override;
    int OnWizardNext() override;
    bool OnQueryCancel() override { return QueryCancelWithSaveQuestion(); }

    int CurrentMode() const { return m_nMode; }
    bool IsNewFeed() const { return m_bNewFeed; }

    // The control actions, as the buttons, labels and list run them.
    void ChooseNewFile();
    void ChooseOpenFile();
    void OpenSelected();
    // Import a shop's export: the export is picked, the import window shows what it makes, and its OK
    // fills a new unnamed feed (after the save-changes question).
    void ChooseImport();

  private:
    void FillFileList();
    // Before the open feed is replaced: the save-changes question when it holds unsaved edits. True when
    // the edits may go.
    bool MayDropEdits();
    // The "new file" choice shown as made, without touching the open feed.
    void ShowNewFeedChosen();
    void LoadFile(const QString& path);
    void ShowAccountSetup();

    int m_nMode = kModeNewFile;
    bool m_bNewFeed = true;
    bool m_bListFilled = false;

    CAnimatedLabel* m_heading = nullptr;
    CAnimatedLabel* m_newLabel = nullptr;
    CAnimatedLabel* m_openLabel = nullptr;
    QRadioButton* m_newRadio = nullptr;
    QRadioButton* m_openRadio = nullptr;
    CAnimatedLabel* m_importLabel = nullptr;
    QRadioButton* m_importRadio = nullptr;
    QListWidget* m_fileList = nullptr;
    QPushButton* m_openButton = nullptr;
    QLabel* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
};

}  // namespace yarvelin
