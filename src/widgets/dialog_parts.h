// Pieces several windows build the same way.
#pragma once

class QCheckBox;
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

}  // namespace yarvelin
