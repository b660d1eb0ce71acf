// The start of a category map from the open feed: each of its categories with the number of products and
// the built-in category whose words come closest, the same suggestions `yarvelin-feed categories` prints.
// The merchant ticks the rows to keep and corrects a suggestion in place; OK gives one map rule.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "app/feed_document.h"
#include "rules/category_suggestion.h"

class QLabel;
class QTableWidget;

namespace yarvelin {

class UiServices;

class CCategoryMapDlg : public QDialog {
    Q_OBJECT
  public:
    CCategoryMapDlg(UiServices& ui, const CFeedDocument::RecordList& records, const QString& feedName,
                    QWidget* parent = nullptr);

    // After OK: the map rule (UTF-8) with the ticked rows.
    const std::string& RuleText() const { return m_text; }
    int RowCount() const { return static_cast<int>(m_categories.size()); }

    // OK: refuses a map without a ticked row that becomes something.
    void accept() override;

  private:
    UiServices& m_ui;
    std::vector<SourceCategory> m_categories;
    std::string m_text;
    QTableWidget* m_table = nullptr;
    QLabel* m_mistake = nullptr;
};

}  // namespace yarvelin
