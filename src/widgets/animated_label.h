// A text label whose text fades in from the background colour, with an optional side text in a 50-pixel
// box at the left.
#pragma once

#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "widgets/fade_math.h"

namespace yarvelin {

class CAnimatedLabel : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kSideBoxWidth = 50;

    explicit CAnimatedLabel(QWidget* parent = nullptr);

    // New texts: the fade starts again over fadeSteps steps of 10 ms. A non-empty font description
    // replaces that font; resetColors goes back to the default colours first.
    void SetText(const QString& text, const QString& sideText = {}, int fadeSteps = 0,
                 bool resetColors = false, const std::string& sideFontDescription = {},
                 const std::string& mainFontDescription = {});

    QString Text() const { return m_text; }
    QString SideText() const { return m_sideText; }
    int FadeSteps() const { return m_fadeSteps; }

    void SetBackgroundColor(const QColor& c);
    QColor BackgroundColor() const { return m_background; }
    void SetTextColor(const QColor& c) { m_textColor = c; }
    QColor TextColor() const { return m_textColor; }
    void SetSideTextColor(const QColor& c) { m_sideTextColor = c; }
    void SetBorder(bool border) { m_bBorder = border; }
    bool HasBorder() const { return m_bBorder; }
    void SetShadow(bool shadow) { m_bShadow = shadow; }
    // Added to the layout flags of the main text (Qt::AlignmentFlag / Qt::TextFlag values).
    void SetExtraFormatFlags(int flags) { m_extraFlags = flags; }

    LabelFontSpec& MainFontSpec() { return m_mainFont; }
    LabelFontSpec& SideFontSpec() { return m_sideFont; }
    // Bold main font (weight 700) or normal (400).
    void SetMainFontBold(bool bold) { SetBold(m_mainFont, bold); }
    static QFont ToQFont(const LabelFontSpec& spec);

    // The colour the main text is drawn in now.
    QColor CurrentTextColor() const;
    bool IsFading() const { return m_timer.isActive(); }
    // Tests drive the clock: milliseconds since SetText.
    void SetElapsedSourceForTest(std::function<qint64()> source) { m_elapsedForTest = std::move(source); }

    QSize sizeHint() const override;

  signals:
    // A click on the label (pages select their radio button with it).
    void clicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void OnTimer();
    qint64 Elapsed() const;
    void ResetColors();
    QColor Faded(const QColor& target) const;

    QString m_text;
    QString m_sideText;
    int m_fadeSteps = 0;
    QElapsedTimer m_start;
    QTimer m_timer;
    QColor m_background;
    QColor m_sideTextColor;
    QColor m_textColor;
    bool m_bBorder = true;
    bool m_bShadow = false;
    int m_extraFlags = 0;
    LabelFontSpec m_sideFont;
    LabelFontSpec m_mainFont;
    std::function<qint64()> m_elapsedForTest;
};

}  // namespace yarvelin
