// A push button that draws itself: an icon beside its caption, flat until the mouse is over it (or with
// the ordinary raised look), optionally toggling like a check box.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPushButton>

#include "widgets/hover_button_layout.h"

namespace yarvelin {

class CHoverButton : public QPushButton {
    Q_OBJECT
  public:
    enum ColorState { kStateActive = 0, kStateFocused = 1, kStateOther = 2 };

    explicit CHoverButton(const QString& caption = {}, QWidget* parent = nullptr);

    // The icon, and an optional second one shown while the button is neither pressed nor hovered. The
    // drawn size is the icon's own (its first available size) unless size is given.
    void SetIcon(const QIcon& icon, const QIcon& secondIcon = QIcon(), QSize size = QSize());
    void SetFlat(bool flat, bool repaint = true);
    bool IsFlat() const { return m_bIsFlat; }
    void SetDrawBorder(bool drawBorder, bool repaint = true);
    void SetAlignment(IconAlignment alignment, bool repaint = true);
    IconAlignment Alignment() const { return m_geometry.alignment; }
    // Check-box mode: every click toggles the checked state, which shows as pressed.
    void SetCheckBoxMode(bool on);
    bool IsCheckBoxMode() const { return isCheckable(); }

    // Background and caption colours of a state; SetDefaultColors goes back to the system's.
    void SetColors(ColorState state, const QColor& background, const QColor& text, bool repaint = true);
    void SetDefaultColors(bool repaint = true);
    QColor BackgroundColor(ColorState state) const { return m_background[state]; }
    QColor TextColor(ColorState state) const { return m_text[state]; }

    bool IsMouseOver() const { return m_bMouseOver; }
    QSize IconSize() const { return m_iconSize; }
    // Where the icon and caption go for the current state, for painting and tests.
    HoverButtonLayout CurrentLayout() const;
    // The icon drawn for the current state: which of the two, and whether greyed.
    const QIcon* CurrentIcon() const;

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    bool IsPressed() const;
    void ClearMouseOver();
    ColorState StateOf(bool pressed) const;

    QIcon m_icon;
    QIcon m_secondIcon;
    QSize m_iconSize;
    HoverButtonGeometry m_geometry;
    bool m_bIsFlat = true;
    bool m_bDrawBorder = true;
    bool m_bMouseOver = false;
    QColor m_background[3];
    QColor m_text[3];
};

}  // namespace yarvelin
