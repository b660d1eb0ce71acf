// The import window: a shop's export, the profile found for it, the map (one row per feed column, its
// template editable with a pick list of the export's columns), a preview of the first products as they
// would be written, and what the import counted, with every skipped row and why. The map can be saved and
// loaded. The window only chooses; the start page imports with Settings() once it is accepted.
#pragma once

#include <QDialog>
#include <vector>

#include "import/column_map.h"
#include "import/shop_import.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace yarvelin {

class CYarvelinGui;

class CImportDlg : public QDialog {
    Q_OBJECT
  public:
    // How many products the preview shows.
    static constexpr int kPreviewRows = 10;

    CImportDlg(CYarvelinGui& gui, const QString& exportPath, QWidget* parent = nullptr);

    // The map and choices as the window shows them now.
    ImportSettings Settings() const;
    // Reads the export again with the window's map: preview, counts and skipped rows.
    void RefreshPreview();
    void ChooseProfile(int index);
    void LoadMap();
    void SaveMap();
    // Asks for a file to merge by key and offers its columns as the key.
    void ChooseMergeFile();

  private:
    void ShowMap(const ColumnMap& map);

    CYarvelinGui& m_gui;
    std::string m_path;
    std::vector<ColumnMap> m_profiles;
    ColumnMap m_map;  // the profile or loaded map the rows started from
    ExportHeader m_header;
    QComboBox* m_profile = nullptr;
    QLineEdit* m_baseUrl = nullptr;
    QLineEdit* m_currency = nullptr;
    QLineEdit* m_mergePath = nullptr;
    QComboBox* m_mergeKey = nullptr;
    QTableWidget* m_mapTable = nullptr;
    std::vector<QComboBox*> m_templates;
    std::vector<QPushButton*> m_transforms;  // per row: its transformations, chosen from a menu
    QTableWidget* m_preview = nullptr;
    QLabel* m_counts = nullptr;
    QListWidget* m_skipped = nullptr;
    QPushButton* m_ok = nullptr;
};

}  // namespace yarvelin
