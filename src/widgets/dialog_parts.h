// Pieces several windows build the same way.
#pragma once

#include <Qt>

class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QWidget;

namespace yarvelin {

// The controls of an alert whose answer can be remembered: the "do not show again" box, and Yes (the
// default button) and No. Each gets the object name tests look for.
struct CRememberedAlertControls {
    QCheckBox* dontShow = nullptr;
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
};
CRememberedAlertControls MakeRememberedAlertControls(QWidget* parent);

// A read-only report table over a model: whole rows selected, no editing, no row header, fixed row heights
// so that a view over any number of products stays cheap, and a narrow minimum for the number column.
void ConfigureReportTable(QTableView* table);

// Controls under the object names tests look for; text is in the program's 8-bit code page, as A() takes
// it.
QLineEdit* MakeLineEdit(const char* name, QWidget* parent);
QCheckBox* MakeCheckBox(const char* text, const char* name, QWidget* parent);
QPushButton* MakePushButton(const char* text, const char* name, QWidget* parent);

// A label whose text wraps within its column.
QLabel* MakeWrappedLabel(const char* text, QWidget* parent);

// Fills a grid one row at a time: left (a caption or a button, may be null) in column 0, field from
// column 1 over span columns, and extra (may be null) in the column after the field. sideAlignment places
// left and extra within their cells.
class CGridRows {
  public:
    explicit CGridRows(QGridLayout* grid) : m_grid(grid) {}
    // Returns the row just filled.
    int Add(QWidget* left, QWidget* field, int span = 1, QWidget* extra = nullptr,
            Qt::Alignment sideAlignment = {});

  private:
    QGridLayout* m_grid;
    int m_row = 0;
};

}  // namespace yarvelin
