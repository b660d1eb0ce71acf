#include "upload/transfer_animation_widget.h"

#include <QPainter>
#include <QPainterPath>

namespace yarvelin {

namespace {

void DrawFolder(QPainter& p, const QRectF& r) {
    QPainterPath tab;
    tab.addRoundedRect(QRectF(r.left(), r.top(), r.width() * 0.45, r.height() * 0.3), 2, 2);
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(QColor(235, 190, 70));
    p.drawPath(tab);
    p.setBrush(QColor(250, 210, 90));
    p.drawRoundedRect(QRectF(r.left(), r.top() + r.height() * 0.18, r.width(), r.height() * 0.82), 3, 3);
}

void DrawSheet(QPainter& p, const QRectF& r) {
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(QPen(QColor(120, 140, 200), 1));
    for (int i = 1; i <= 3; ++i) {
        const qreal y = r.top() + r.height() * i / 4.5;
        p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 3, y));
    }
}

}  // namespace

CTransferAnimationWidget::CTransferAnimationWidget(QWidget* parent) : QWidget(parent) {
    setMinimumSize(sizeHint());
    m_timer.setInterval(60);
    connect(&m_timer, &QTimer::timeout, this, [this] { SetFrame(m_frame + 1); });
}

void CTransferAnimationWidget::Play() {
    m_frame = 0;
    m_timer.start();
    update();
}

void CTransferAnimationWidget::Stop() {
    m_timer.stop();
}

void CTransferAnimationWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal h = height() - 8;
    const QRectF left(8, 4 + h * 0.35, h * 0.8, h * 0.65);
    const QRectF right(width() - 8 - h * 0.8, 4 + h * 0.35, h * 0.8, h * 0.65);
    DrawFolder(p, left);
    DrawFolder(p, right);
    if (!IsPlaying() && m_frame == 0) {
        return;
    }
    // The sheet flies in an arc from the left folder to the right one.
    const qreal t = static_cast<qreal>(m_frame) / (kFrames - 1);
    const qreal x0 = left.center().x();
    const qreal x1 = right.center().x();
    const qreal x = x0 + (x1 - x0) * t;
    const QSizeF sheet(h * 0.35, h * 0.45);
    const qreal yStart = left.top();
    const qreal yApex = 2 + sheet.height() / 2;  // the top of the arc keeps the whole sheet in view
    const qreal y = yStart - (yStart - yApex) * 4 * t * (1 - t);
    DrawSheet(p, QRectF(QPointF(x - sheet.width() / 2, y - sheet.height() / 2), sheet));
}

}  // namespace yarvelin
