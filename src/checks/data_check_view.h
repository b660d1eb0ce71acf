// Runs the text check from the product list page: the alerts as modal dialogs, progress and status on the
// page's own bar and status line. The page rebuilds its table, selects every row and focuses the list after.
#pragma once

class QLabel;
class QProgressBar;
class QWidget;

namespace yarvelin {

class CEditHistory;
class CYarvelinGui;

class CDataCheckView {
  public:
    // progress and status may be null (nothing is shown then). The bar is hidden again at the end. With a
    // history, the texts it changed are one step that can be taken back.
    static void Run(CYarvelinGui& gui, QWidget* parent, QProgressBar* progress, QLabel* status,
                    CEditHistory* history = nullptr);
};

}  // namespace yarvelin
