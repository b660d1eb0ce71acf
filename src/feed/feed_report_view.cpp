#include "feed/feed_report_view.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>

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
        m_status->setText(FromAnsi(text));
    }
}

void CFeedReportView::ShowFileError(const std::string& text) {
    // The fixed part of the text is plain ASCII; the path in it is in the system's own encoding, not the
    // product texts' one, so the whole text decodes as a file name.
    m_ui.MessageBox(m_parent, A("Yarvelin1.0"), QFile::decodeName(QByteArray::fromStdString(text)),
                    MsgIcon::Exclamation, MsgButtons::Ok);
}

void CFeedReportView::ShowFormatError() {
    m_ui.MessageBox(m_parent, A("File Format Error"), A("File is corrupt or it is of a different format"),
                    MsgIcon::Information, MsgButtons::Ok);
}

}  // namespace yarvelin
