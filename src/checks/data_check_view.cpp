#include "checks/data_check_view.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>

#include "app/remembered_alert.h"
#include "app/yarvelin_gui.h"
#include "checks/clean_alerts.h"
#include "checks/text_cleaning.h"
#include "dialogs/escape_alert_dlg.h"
#include "dialogs/whitespace_alert_dlg.h"
#include "pages/edit_history.h"
#include "platform/text_codec.h"
#include "records/text_util.h"

namespace yarvelin {

namespace {

class CDialogCleanAlerts : public CRememberedCleanAlerts {
  public:
    CDialogCleanAlerts(CYarvelinGui& gui, QWidget* parent)
        : CRememberedCleanAlerts(gui.Store()), m_gui(gui), m_parent(parent) {}

  protected:
    DialogResult ShowDialog(CleanAlertKind kind) override {
        if (kind == CleanAlertKind::Whitespace) {
            CWhitespaceAlertDlg dlg(m_gui, m_parent);
            return Run(dlg);
        }
        CEscapeAlertDlg dlg(m_gui, m_parent);
        return Run(dlg);
    }

  private:
    static DialogResult Run(CDataAlertDlg& dlg) {
        const int answer = dlg.exec();
        return {answer == kAnswerYes ? kAnswerYes : kAnswerNo, dlg.DontShowAgain()};
    }

    CYarvelinGui& m_gui;
    QWidget* m_parent;
};

class CWidgetDataCheckObserver : public CDataCheckObserver {
  public:
    CWidgetDataCheckObserver(QProgressBar* progress, QLabel* status)
        : m_progress(progress), m_status(status) {}

    void ShowProgress(bool visible) override {
        if (m_progress) {
            m_progress->setVisible(visible);
        }
    }
    void SetProgressRange(int lower, int upper) override {
        if (m_progress) {
            m_progress->setRange(lower, upper);
        }
    }
    void SetProgressPos(int pos) override {
        if (m_progress) {
            m_progress->setValue(pos);
        }
    }
    void SetStatusText(const std::string& text) override {
        if (m_status) {
            m_status->setText(FromCp1252(text));
        }
    }

  private:
    QPointer<QProgressBar> m_progress;
    QPointer<QLabel> m_status;
};

}  // namespace

void CDataCheckView::Run(CYarvelinGui& gui, QWidget* parent, QProgressBar* progress, QLabel* status,
                         CEditHistory* history) {
    CDialogCleanAlerts alerts(gui, parent);
    CWidgetDataCheckObserver observer(progress, status);
    const std::uint64_t editCountBefore = gui.Document().EditCount();
    std::vector<std::pair<std::size_t, COtherRecord>> before;
    VerifyData(gui.Document(), alerts, observer, history ? &before : nullptr);
    if (history) {
        const std::size_t changed = before.size();
        history->NoteChanged(gui.Document(), editCountBefore,
                             Format("Verify Data on %zu product%s", changed, changed == 1 ? "" : "s"),
                             std::move(before));
    }
    observer.ShowProgress(false);
}

}  // namespace yarvelin
