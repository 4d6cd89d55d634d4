#include "kit/ShapeWidget.h"

#include <QPainter>

namespace kx {

ShapeWidget::ShapeWidget(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void ShapeWidget::setKind(Kind kind) {
    kind_ = kind;
    update();
}

void ShapeWidget::setFillColor(const QColor& color) {
    fill_ = color;
    update();
}

void ShapeWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(fill_);
    p.setPen(Qt::NoPen);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    switch (kind_) {
    case Rectangle:
        p.drawRect(r);
        break;
    case RoundedRectangle:
        p.drawRoundedRect(r, 12, 12);
        break;
    case Circle: {
        const qreal d = qMin(r.width(), r.height());
        p.drawEllipse(QRectF(r.center().x() - d / 2, r.center().y() - d / 2, d, d));
        break;
    }
    case Square: {
        const qreal d = qMin(r.width(), r.height());
        p.drawRect(QRectF(r.center().x() - d / 2, r.center().y() - d / 2, d, d));
        break;
    }
    }
}

} // namespace kx
