#include "widgets/animated_label.h"

#include <qdrawutil.h>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <cstdlib>

#include "platform/text_codec.h"

namespace yarvelin {

namespace {

RgbColor ToRgb(const QColor& c) {
    return {c.red(), c.green(), c.blue()};
}
QColor ToQColor(RgbColor c) {
    return QColor(c.red, c.green, c.blue);
}

}  // namespace

CAnimatedLabel::CAnimatedLabel(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted from the off-screen picture, so nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    ResetColors();
    m_timer.setInterval(kFadeStepMs);
    connect(&m_timer, &QTimer::timeout, this, &CAnimatedLabel::OnTimer);
    m_start.start();
}

void CAnimatedLabel::ResetColors() {
    m_background = QColor(210, 210, 210);
    m_sideTextColor = QColor(0, 0, 60);
    m_textColor = QColor(0, 0, 60);
}

void CAnimatedLabel::SetText(const QString& text, const QString& sideText, int fadeSteps, bool resetColors,
                             const std::string& sideFontDescription, const std::string& mainFontDescription) {
    m_text = text;
    m_sideText = sideText;
    m_fadeSteps = fadeSteps;
    // The text is painted, not held by a QLabel: screen readers get it as the label's name.
    setAccessibleName(sideText.isEmpty() ? text : text + QLatin1Char(' ') + sideText);
    if (resetColors) {
        ResetColors();
    }
    if (!sideFontDescription.empty()) {
        if (auto spec = ParseFontDescription(sideFontDescription)) {
            m_sideFont = *spec;
        }
    }
    if (!mainFontDescription.empty()) {
        if (auto spec = ParseFontDescription(mainFontDescription)) {
            m_mainFont = *spec;
        }
    }
    m_start.restart();
    m_timer.start();
    updateGeometry();
    update();
}

void CAnimatedLabel::SetBackgroundColor(const QColor& c) {
    m_background = c;
}

qint64 CAnimatedLabel::Elapsed() const {
    return m_elapsedForTest ? m_elapsedForTest() : m_start.elapsed();
}

void CAnimatedLabel::OnTimer() {
    if (FadeTimerExpired(Elapsed())) {
        m_timer.stop();
    }
    update();
}

QColor CAnimatedLabel::Faded(const QColor& target) const {
    return ToQColor(FadeColor(ToRgb(m_background), ToRgb(target), Elapsed(), m_fadeSteps));
}

QColor CAnimatedLabel::CurrentTextColor() const {
    return Faded(m_textColor);
}

QFont CAnimatedLabel::ToQFont(const LabelFontSpec& spec) {
    QFont f(FromCp1252(spec.faceName));
    // A negative height names the character height, a positive one the cell height; pixels either way.
    f.setPixelSize(std::max(std::abs(spec.height), 1));
    f.setWeight(static_cast<QFont::Weight>(std::clamp(spec.weight == 0 ? 400 : spec.weight, 1, 1000)));
    f.setItalic(spec.italic != 0);
    f.setUnderline(spec.underline != 0);
    f.setStrikeOut(spec.strikeOut != 0);
    if (spec.width > 0) {
        // An explicit average width becomes horizontal stretching relative to the usual proportion.
        const int usual = std::max(std::abs(spec.height) / 2, 1);
        f.setStretch(std::clamp(spec.width * 100 / usual, 1, 4000));
    }
    if (spec.quality == 3) {  // non-antialiased
        f.setStyleStrategy(QFont::NoAntialias);
    }
    return f;
}

QSize CAnimatedLabel::sizeHint() const {
    const QFontMetrics fm(ToQFont(m_mainFont));
    int w = fm.horizontalAdvance(m_text) + 8;
    if (!m_sideText.isEmpty()) {
        w += kSideBoxWidth;
    }
    return QSize(w, fm.height() + 6);
}

void CAnimatedLabel::paintEvent(QPaintEvent*) {
    // Drawn off-screen first and copied in one go, so a fading text never flickers.
    const qreal dpr = devicePixelRatioF();
    QPixmap buffer(size() * dpr);
    buffer.setDevicePixelRatio(dpr);
    {
        QPainter p(&buffer);
        const QRect client = rect();
        const int textFlags = Qt::AlignVCenter | Qt::TextSingleLine;
        int mainLeft = 0;
        if (!m_sideText.isEmpty()) {
            const QRect side(0, 0, kSideBoxWidth, client.height());
            const QRect rest(kSideBoxWidth, 0, client.width() - kSideBoxWidth, client.height());
            p.fillRect(side, m_background);
            p.fillRect(rest, m_background);
            if (m_bBorder) {
                qDrawShadePanel(&p, side, palette(), true, 1);
                qDrawShadePanel(&p, rest, palette(), true, 1);
            }
            p.setFont(ToQFont(m_sideFont));
            p.setPen(Faded(m_sideTextColor));
            p.drawText(side, textFlags, m_sideText);
            mainLeft = kSideBoxWidth;
        } else {
            p.fillRect(client, m_background);
            if (m_bBorder) {
                qDrawShadePanel(&p, client, palette(), true, 1);
            }
        }
        const QRect textRect(mainLeft, 0, client.width() - 1 - mainLeft, client.height());
        p.setFont(ToQFont(m_mainFont));
        const int flags = textFlags | m_extraFlags;
        if (m_bShadow) {
            p.setPen(ToQColor(ShadowColor(ToRgb(m_background))));
            p.drawText(textRect.translated(2, 2), flags, m_text);
        }
        p.setPen(Faded(m_textColor));
        p.drawText(textRect, flags, m_text);
    }
    QPainter screen(this);
    screen.drawPixmap(0, 0, buffer);
}

void CAnimatedLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    }
    QWidget::mouseReleaseEvent(event);
}

}  // namespace yarvelin
