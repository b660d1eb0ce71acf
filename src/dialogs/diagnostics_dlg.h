// The diagnostics window: every finding of the open feed (or of a feed file) grouped by code, errors first.
// A double-click on a product of the open feed opens the product editor on it; the list is checked again
// after each store.
#pragma once

#include <QDialog>
#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "checks/feed_diagnosis.h"

class QLabel;
class QPushButton;
class QTreeView;

namespace yarvelin {

class CDiagnosticsModel;
class CYarvelinGui;

class CDiagnosticsDlg : public QDialog {
    Q_OBJECT
  public:
    // Checks the open feed. htmlEscaped: the html_escaped value the feed is written with.
    CDiagnosticsDlg(CYarvelinGui& gui, bool htmlEscaped, QWidget* parent = nullptr);
    // Shows the findings of a feed file; its products cannot be edited from here.
    CDiagnosticsDlg(CYarvelinGui& gui, const std::string& filePath, FeedDiagnosis diagnosis,
                    QWidget* parent = nullptr);

    // Runs the product editor on a record position; true when it stored the product. Tests put a scripted
    // editor here.
    using EditorRunner = std::function<bool(std::size_t position)>;
    void SetEditorRunner(EditorRunner runner) { m_runEditor = std::move(runner); }

    // Before "Generate && Save Feed File": when the open feed has errors, asks whether to see them (and shows
    // them) or to go on. true: go on with the save.
    // The check runs on a worker; after quietFor a window counts the products checked.
    static bool ConfirmBeforeSave(CYarvelinGui& gui, QWidget* parent, bool htmlEscaped,
                                  std::chrono::milliseconds quietFor = std::chrono::milliseconds(300));

    // Before "&Upload": checks the file that goes out; asks about errors as before a save, then about a
    // product count below half of the last upload to the same server and file name.
    struct UploadCheck {
        bool goOn = true;
        std::optional<std::size_t> products;  // the file's products, when it could be read
    };
    static UploadCheck ConfirmBeforeUpload(CYarvelinGui& gui, QWidget* parent, const std::string& localFile,
                                           const std::string& server, const std::string& remoteFile);
    // Reads and checks a feed file for the upload question on a worker thread. Until quietFor has passed
    // the interface waits as before; a longer check shows a window that counts the products checked, so
    // that a large file does not freeze the wizard. An unreadable file gives readOk false, reporting
    // nothing (the transfer reports it).
    static FeedDiagnosis DiagnoseFileForUpload(CYarvelinGui& gui, QWidget* parent,
                                               const std::string& localFile,
                                               std::chrono::milliseconds quietFor);

    // Checks the open feed again, keeping the open groups and the current finding where they still are.
    void Refresh();
    // After the product at position was stored: that product is checked again alone when nothing ties it
    // to the others differently (previous: the product before the store), else the whole feed.
    void RefreshAfterStore(std::size_t position, const COtherRecord& previous,
                           const std::vector<std::string>& categoriesBefore);
    // The editor on the product of a finding (document mode); true when it stored the product.
    bool OpenFinding(const QModelIndex& index);
    // "Save Findings...": asks for a file (beside the feed at first) and writes the listed findings as CSV
    // with the keys of validate --json; true when the file was written.
    bool SaveFindings();

    CDiagnosticsModel* Model() const { return m_model; }
    QTreeView* Tree() const { return m_tree; }
    QLabel* SummaryLabel() const { return m_summary; }
    QPushButton* SaveFindingsButton() const { return m_saveFindings; }
    bool ProductsChanged() const { return m_productsChanged; }

  private:
    void Build(const QString& hint);
    void Show(FeedDiagnosis diagnosis);

    CYarvelinGui& m_gui;
    bool m_htmlEscaped = false;
    bool m_fromFile = false;
    bool m_productsChanged = false;
    std::string m_feedPath;  // the file the findings belong to; empty for a feed never saved
    CDiagnosticsModel* m_model = nullptr;
    QTreeView* m_tree = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_saveFindings = nullptr;
    QLabel* m_savedLine = nullptr;  // where Save Findings wrote its file
    EditorRunner m_runEditor;
};

}  // namespace yarvelin
