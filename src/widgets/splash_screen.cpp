#include "widgets/splash_screen.h"

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QVariantAnimation>

namespace yarvelin {

namespace {

constexpr int kFadeInMs = 500;
constexpr int kFadeOutMs = 100;

PixelRect ToPixelRect(const QRect& r) {
    return {r.x(), r.y(), r.width(), r.height()};
}

}  // namespace

CSplashScreenEx::CSplashScreenEx() : QWidget(nullptr), m_textFont(QApplication::font()) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CSplashScreenEx::Hide);
}

CSplashScreenEx::~CSplashScreenEx() = default;

bool CSplashScreenEx::PlatformCanFade() {
    // The platforms whose window systems blend a top-level window; Wayland and the offscreen and
    // framebuffer back ends do not.
    const QString name = QGuiApplication::platformName();
    return name == QLatin1String("xcb") || name == QLatin1String("windows") || name == QLatin1String("cocoa");
}

bool CSplashScreenEx::Create(QWidget* parent, const QString& text, int displayTimeMs, unsigned style) {
    m_owner = parent;
    m_text = text;
    m_displayTime = displayTimeMs;
    m_style = style;
    // A tool window owned by the parent: no title, no task-bar button, above the other windows. The
    // drop shadow is the window manager's to draw on this platform.
    setParent(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          ((style & kSplashShadow) ? Qt::WindowFlags() : Qt::NoDropShadowWindowHint));
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
    setAttribute(Qt::WA_NoSystemBackground, true);
    setCursor(Qt::ArrowCursor);
    setObjectName(QStringLiteral("SplashScreenExClass"));
    resize(0, 0);
    return true;
}

bool CSplashScreenEx::SetBitmap(const QString& resource, int red, int green, int blue) {
    m_bitmap = QPixmap();
    QImage image(resource);
    if (image.isNull()) {
        return false;
    }
    image = image.convertToFormat(QImage::Format_RGB32);
    m_bitmap = QPixmap::fromImage(image);
    const int w = image.width();
    const int h = image.height();
    setFixedSize(w, h);
    m_textRect = QRect(0, 0, w, h);

    QScreen* screen = (m_owner && m_owner->screen()) ? m_owner->screen() : QGuiApplication::primaryScreen();
    const PixelRect screenRect = screen ? ToPixelRect(screen->geometry()) : PixelRect{};
    const PixelRect parentRect = m_owner ? ToPixelRect(m_owner->frameGeometry()) : PixelRect{};
    const PixelPoint p =
        SplashPosition(m_style, w, h, screenRect, parentRect, {m_position.x(), m_position.y()});
    m_position = QPoint(p.x, p.y);

    if (red == -1 || green == -1 || blue == -1) {
        m_region = QRegion();
        m_bEmptyShape = false;
        clearMask();
        return true;
    }
    const std::uint32_t transparent = (static_cast<std::uint32_t>(red & 0xFF) << 16) |
                                      (static_cast<std::uint32_t>(green & 0xFF) << 8) |
                                      static_cast<std::uint32_t>(blue & 0xFF);
    const auto rects = OpaqueRunRects(reinterpret_cast<const std::uint32_t*>(image.constBits()), w, h,
                                      static_cast<int>(image.bytesPerLine() / 4), transparent);
    QRegion region;
    for (const PixelRect& r : rects) {
        region += QRect(r.x, r.y, r.width, r.height);
    }
    m_region = region;
    m_bEmptyShape = region.isEmpty();
    // Qt takes an empty mask for "no mask"; Show keeps a window without any pixel off the screen instead.
    setMask(region);
    update();
    return true;
}

void CSplashScreenEx::Show() {
    setGeometry(QRect(m_position, m_bitmap.size()));
    if (m_bEmptyShape) {
        // Nothing of the bitmap is left to show.
    } else if ((m_style & kSplashFadeIn) && PlatformCanFade()) {
        setWindowOpacity(0.0);
        show();
        Fade(0.0, 1.0, kFadeInMs);
    } else {
        show();
        repaint();
    }
    // Let the window system put it on the screen now: the caller is usually busy building its window.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (m_displayTime != 0) {
        m_timer.start(m_displayTime);
    }
}

void CSplashScreenEx::Hide() {
    if (m_bHiding) {
        return;
    }
    m_bHiding = true;
    m_timer.stop();
    if ((m_style & kSplashFadeOut) && PlatformCanFade() && isVisible()) {
        Fade(windowOpacity(), 0.0, kFadeOutMs);
    }
    hide();
    deleteLater();
}

void CSplashScreenEx::Fade(qreal from, qreal to, int durationMs) {
    // The caller waits for the fade, as it would for the window system's own blend animation; input is
    // held back meanwhile so that nothing else runs in between.
    QVariantAnimation animation;
    animation.setStartValue(from);
    animation.setEndValue(to);
    animation.setDuration(durationMs);
    connect(&animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& v) { setWindowOpacity(v.toReal()); });
    QEventLoop loop;
    connect(&animation, &QVariantAnimation::finished, &loop, &QEventLoop::quit);
    animation.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    setWindowOpacity(to);
}

void CSplashScreenEx::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, m_bitmap);
    if (!m_text.isEmpty()) {
        p.setFont(m_textFont);
        p.setPen(m_textColor);
        p.setBackgroundMode(Qt::TransparentMode);
        p.drawText(m_textRect, m_textFormat, m_text);
    }
}

void CSplashScreenEx::mousePressEvent(QMouseEvent* event) {
    if (m_style & kSplashHideOnInput) {
        event->accept();
        Hide();
        return;
    }
    QWidget::mousePressEvent(event);
}

void CSplashScreenEx::keyPressEvent(QKeyEvent* event) {
    if (m_style & kSplashHideOnInput) {
        event->accept();
        Hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace yarvelin
