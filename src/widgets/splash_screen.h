// A borderless, topmost window showing a bitmap cut to the shape of its non-transparent pixels, with an
// optional line of text. It fades in, stays for the display time, fades out and deletes itself; its
// creator may delete it earlier, which closes it at once.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include "widgets/splash_region.h"

namespace yarvelin {

class CSplashScreenEx : public QWidget {
    Q_OBJECT
  public:
    CSplashScreenEx();
    ~CSplashScreenEx() override;

    // Sets the owner, text, display time (0: stays until hidden otherwise) and style bits. The window
    // stays invisible and empty until SetBitmap and Show.
    bool Create(QWidget* parent, const QString& text = {}, int displayTimeMs = 2000, unsigned style = 0);
    // Loads the bitmap (a file or ":/" resource), sizes and places the window and, unless a component
    // is -1, cuts the window to the pixels that are not the given colour.
    bool SetBitmap(const QString& resource, int red, int green, int blue);
    // Places and shows the window (fading in where the platform can), then starts the display timer.
    void Show();
    // Hides the window (fading out where the platform can); the object then deletes itself.
    void Hide();

    void SetTextFont(const QFont& font) { m_textFont = font; }
    void SetTextRect(const QRect& rect) { m_textRect = rect; }
    void SetTextColor(const QColor& color) { m_textColor = color; }
    void SetTextFormat(int flags) { m_textFormat = flags; }

    unsigned Style() const { return m_style; }
    int DisplayTime() const { return m_displayTime; }
    const QRegion& WindowRegion() const { return m_region; }
    QPoint Position() const { return m_position; }
    bool IsTimerRunning() const { return m_timer.isActive(); }
    // Whether this platform can change a window's opacity, which fading needs.
    static bool PlatformCanFade();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Fade(qreal from, qreal to, int durationMs);

    QWidget* m_owner = nullptr;
    QString m_text;
    int m_displayTime = 2000;
    unsigned m_style = 0;
    QPixmap m_bitmap;
    QFont m_textFont;
    QRect m_textRect;
    QColor m_textColor = Qt::black;
    int m_textFormat = Qt::AlignCenter | Qt::TextSingleLine;
    QPoint m_position;
    QRegion m_region;
    QTimer m_timer;
    bool m_bHiding = false;
    bool m_bEmptyShape = false;
};

}  // namespace yarvelin
