#pragma once

#include <QColor>
#include <QWidget>

namespace kx {

// A filled shape drawn on the window: the link and output indicators, the group
// backgrounds and the bands. It takes no input.
class ShapeWidget : public QWidget {
    Q_OBJECT
    Q_PROPERTY(Kind kind READ kind WRITE setKind)
    Q_PROPERTY(QColor fillColor READ fillColor WRITE setFillColor)
public:
    enum Kind { Rectangle, RoundedRectangle, Circle, Square };
    Q_ENUM(Kind)

    explicit ShapeWidget(QWidget* parent = nullptr);

    Kind kind() const { return kind_; }
    void setKind(Kind kind);
    QColor fillColor() const { return fill_; }
    void setFillColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind kind_ = Rectangle;
    QColor fill_ = Qt::white;
};

} // namespace kx
