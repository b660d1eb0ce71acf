#include "widgets/hover_button.h"

#include <qdrawutil.h>
#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace yarvelin {

namespace {

QRect ToQRect(const PixelRect& r) {
    return QRect(r.x, r.y, r.width, r.height);
}

}  // namespace

CHoverButton::CHoverButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover, true);
    SetDefaultColors(false);
}

void CHoverButton::SetIcon(const QIcon& icon, const QIcon& secondIcon, QSize size) {
    m_icon = icon;
    m_secondIcon = secondIcon;
    if (!size.isValid() && !icon.isNull()) {
        const QList<QSize> sizes = icon.availableSizes();
        size = sizes.isEmpty() ? QSize(32, 32) : sizes.first();
    }
    m_iconSize = icon.isNull() ? QSize() : size;
    m_geometry.iconWidth = m_iconSize.isValid() ? m_iconSize.width() : 0;
    m_geometry.iconHeight = m_iconSize.isValid() ? m_iconSize.height() : 0;
    updateGeometry();
    update();
}

void CHoverButton::SetFlat(bool flat, bool repaint) {
    m_bIsFlat = flat;
    if (!flat) {
        m_bMouseOver = false;
    }
    if (repaint) {
        update();
    }
}

void CHoverButton::SetDrawBorder(bool drawBorder, bool repaint) {
    m_bDrawBorder = drawBorder;
    if (repaint) {
        update();
    }
}

void CHoverButton::SetAlignment(IconAlignment alignment, bool repaint) {
    m_geometry.alignment = alignment;
    updateGeometry();
    if (repaint) {
        update();
    }
}

void CHoverButton::SetCheckBoxMode(bool on) {
    setCheckable(on);
    update();
}

void CHoverButton::SetColors(ColorState state, const QColor& background, const QColor& text, bool repaint) {
    m_background[state] = background;
    m_text[state] = text;
    if (repaint) {
        update();
    }
}

void CHoverButton::SetDefaultColors(bool repaint) {
    const QPalette pal = QApplication::palette(this);
    for (int s = 0; s < 3; ++s) {
        m_background[s] = pal.color(QPalette::Active, QPalette::Button);
        m_text[s] = pal.color(QPalette::Active, QPalette::ButtonText);
    }
    if (repaint) {
        update();
    }
}

bool CHoverButton::IsPressed() const {
    return isDown() || (isCheckable() && isChecked());
}

CHoverButton::ColorState CHoverButton::StateOf(bool pressed) const {
    if (pressed || m_bMouseOver) {
        return kStateActive;
    }
    return hasFocus() ? kStateFocused : kStateOther;
}

HoverButtonLayout CHoverButton::CurrentLayout() const {
    HoverButtonGeometry g = m_geometry;
    g.hasCaption = !text().isEmpty();
    return LayOutHoverButton(width(), height(), g, IsPressed(), !isCheckable());
}

const QIcon* CHoverButton::CurrentIcon() const {
    if (m_icon.isNull()) {
        return nullptr;
    }
    const bool active = isCheckable() ? IsPressed() : (IsPressed() || m_bMouseOver);
    if (!active && !m_secondIcon.isNull()) {
        return &m_secondIcon;
    }
    return &m_icon;
}

QSize CHoverButton::sizeHint() const {
    const QFontMetrics fm(font());
    const QSize textSize = text().isEmpty() ? QSize() : fm.size(Qt::TextShowMnemonic, text());
    int w = 2 * m_geometry.marginX + textSize.width();
    int h = 2 * m_geometry.marginY + textSize.height();
    if (m_iconSize.isValid()) {
        if (m_geometry.alignment == IconAlignment::Top) {
            w = std::max(w, 2 * m_geometry.marginX + m_iconSize.width());
            h += m_iconSize.height() + (text().isEmpty() ? 0 : m_geometry.marginY);
        } else {
            w += m_iconSize.width() + (text().isEmpty() ? 0 : m_geometry.marginX);
            h = std::max(h, 2 * m_geometry.marginY + m_iconSize.height());
        }
    }
    return QSize(std::max(w + 8, 40), std::max(h + 4, 23));
}

void CHoverButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    const bool pressed = IsPressed();
    const bool focused = hasFocus();
    const bool disabled = !isEnabled();
    QRect r = rect();

    // Background: the raised look frames a focused or default button in black first.
    if (!m_bIsFlat && (focused || isDefault())) {
        p.setPen(Qt::black);
        p.setBrush(Qt::NoBrush);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        r.adjust(1, 1, -1, -1);
    }
    const ColorState state = StateOf(pressed);
    p.fillRect(r, m_background[state]);

    // Border.
    if (pressed) {
        if (!m_bIsFlat) {
            p.setPen(pal.color(QPalette::Dark));
            p.drawRect(r.adjusted(0, 0, -1, -1));
        } else if (m_bDrawBorder) {
            qDrawShadeRect(&p, r, pal, true, 1);
        }
    } else if (!m_bIsFlat) {
        qDrawWinButton(&p, r, pal, false, nullptr);
    } else if (m_bMouseOver && m_bDrawBorder) {
        qDrawShadeRect(&p, r, pal, false, 1);
    }

    const HoverButtonLayout layout = CurrentLayout();
    if (const QIcon* icon = CurrentIcon()) {
        const QPixmap pm =
            icon->pixmap(m_iconSize, devicePixelRatio(), disabled ? QIcon::Disabled : QIcon::Normal);
        p.drawPixmap(ToQRect(layout.icon), pm);
    }

    if (!text().isEmpty()) {
        const QRect captionRect = ToQRect(layout.caption);
        const int flags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
        if (disabled) {
            p.setPen(pal.color(QPalette::Light));
            p.drawText(captionRect.translated(1, 1), flags, text());
            p.setPen(pal.color(QPalette::Dark));
            p.drawText(captionRect, flags, text());
        } else {
            p.setPen(m_text[state]);
            p.drawText(captionRect, flags, text());
        }
    }

    if (focused && !m_bIsFlat) {
        QStyleOptionFocusRect opt;
        opt.initFrom(this);
        opt.rect = rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &opt, &p, this);
    }
}

// A double click reaches QAbstractButton as a second press, which is what a button should do with it.

void CHoverButton::enterEvent(QEnterEvent* event) {
    if (m_bIsFlat && event->buttons() == Qt::NoButton && !m_bMouseOver) {
        m_bMouseOver = true;
        update();
    }
    QPushButton::enterEvent(event);
}

void CHoverButton::mouseMoveEvent(QMouseEvent* event) {
    if (m_bIsFlat && event->buttons() == Qt::NoButton && !m_bMouseOver &&
        rect().contains(event->position().toPoint())) {
        m_bMouseOver = true;
        update();
    }
    QPushButton::mouseMoveEvent(event);
}

void CHoverButton::leaveEvent(QEvent* event) {
    ClearMouseOver();
    QPushButton::leaveEvent(event);
}

void CHoverButton::focusOutEvent(QFocusEvent* event) {
    ClearMouseOver();
    QPushButton::focusOutEvent(event);
}

void CHoverButton::changeEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::EnabledChange:
            if (!isEnabled()) {
                ClearMouseOver();
                // A disabled button hands the keyboard focus on to the next control.
                if (hasFocus()) {
                    focusNextChild();
                }
            }
            break;
        case QEvent::ActivationChange:
            if (!isActiveWindow()) {
                ClearMouseOver();
            }
            break;
        case QEvent::ApplicationPaletteChange:
            // The system colours changed: every state goes back to them.
            SetDefaultColors();
            break;
        default:
            break;
    }
    QPushButton::changeEvent(event);
}

void CHoverButton::ClearMouseOver() {
    if (m_bMouseOver) {
        m_bMouseOver = false;
        update();
    }
}

}  // namespace yarvelin
