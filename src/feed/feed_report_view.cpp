#include "feed/feed_report_view.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>

#include "app/program_names.h"
#include "platform/text_codec.h"
#include "platform/ui_services.h"

namespace yarvelin {

namespace {
constexpr qint64 kRedrawIntervalMs = 50;
}

CFeedReportView::CFeedReportView(UiServices& ui, QWidget* parent, QProgressBar* progress, QLabel* status)
    : m_ui(ui), m_parent(parent), m_progress(progress), m_status(status) {}

void CFeedReportView::SetProgressRange(int lower, int upper) {
    if (m_progress != nullptr) {
        m_progress->setRange(lower, upper);
        m_sinceRedraw.start();
    }
}

void CFeedReportView::SetProgressPos(int pos) {
    if (m_progress == nullptr) {
        return;
    }
    // The last position always shows; steps in between only when enough time has passed.
    if (pos == m_progress->maximum() || !m_sinceRedraw.isValid() ||
        m_sinceRedraw.hasExpired(kRedrawIntervalMs)) {
        m_progress->setValue(pos);
        m_sinceRedraw.start();
    }
}

void CFeedReportView::SetStatusText(const std::string& text) {
    if (m_status != nullptr) {
        m_status->setText(FromCp1252(text));
    }
}

void CFeedReportView::ShowFileError(const std::string& text) {
    // The fixed part of the text is plain ASCII; the path in it is in the system's own encoding, not the
    // product texts' one, so the whole text decodes as a file name.
    m_ui.MessageBox(m_parent, A(kAppTitle), FromPath(text), MsgIcon::Exclamation, MsgButtons::Ok);
}

void CFeedReportView::ShowFormatError() {
    m_ui.MessageBox(m_parent, A(kFeedFormatErrorCaption), A(kFeedFormatErrorText), MsgIcon::Information,
                    MsgButtons::Ok);
}

bool CFeedReportView::ConfirmUnmappable(const std::string& path, const FeedEncoding& encoding) {
    QString text = A("%1 is written in UTF-8. These characters cannot be kept in the feed's Windows-1252 "
                     "code page and would each be read as '?':\n")
                       .arg(FromPath(path));
    for (const UnmappableCharacter& c : encoding.unmappable) {
        // The description holds the character in UTF-8, as the file does.
        text += QLatin1Char('\n') + QString::fromStdString(DescribeUnmappable(c));
    }
    if (encoding.unmappableCount > encoding.unmappable.size()) {
        text += A("\n... and %1 more").arg(encoding.unmappableCount - encoding.unmappable.size());
    }
    text += A("\n\nOpen the file anyway?");
    return m_ui.MessageBox(m_parent, A(kAppTitle), text, MsgIcon::Exclamation, MsgButtons::YesNo) ==
           MsgAnswer::Yes;
}

}  // namespace yarvelin
