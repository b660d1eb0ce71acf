// Shows what the feed loader and writer report: message boxes through the desktop services, and, where a
// page has them, its progress bar and status line.
#pragma once

#include <QElapsedTimer>

#include "feed/feed_file_observer.h"

class QLabel;
class QProgressBar;
class QWidget;

namespace yarvelin {

class UiServices;

class CFeedReportView : public CFeedFileObserver {
  public:
    CFeedReportView(UiServices& ui, QWidget* parent, QProgressBar* progress = nullptr,
                    QLabel* status = nullptr);

    void SetProgressRange(int lower, int upper) override;
    void SetProgressPos(int pos) override;
    void SetStatusText(const std::string& text) override;
    void ShowFileError(const std::string& text) override;
    void ShowFormatError() override;
    // Asks, with a list of what cannot be kept, whether to open a UTF-8 file anyway.
    bool ConfirmUnmappable(const std::string& path, const FeedEncoding& encoding) override;

  private:
    UiServices& m_ui;
    QWidget* m_parent;
    QProgressBar* m_progress;
    QLabel* m_status;
    // A million lines step the bar a million times; it is redrawn a few times a second at most.
    QElapsedTimer m_sinceRedraw;
};

}  // namespace yarvelin
