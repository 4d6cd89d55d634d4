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
    // The circle and the square stand in the middle, as large as fits.
    const qreal d = qMin(r.width(), r.height());
    const QRectF middle(r.center().x() - d / 2, r.center().y() - d / 2, d, d);
    switch (kind_) {
    case Rectangle:
        return p.drawRect(r);
    case RoundedRectangle:
        return p.drawRoundedRect(r, 12, 12);
    case Circle:
        return p.drawEllipse(middle);
    case Square:
        return p.drawRect(middle);
    }
}

} // namespace kx
