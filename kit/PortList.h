#pragma once

#include <QComboBox>

namespace kx {

// The port list: a combo box that says when its list is about to open, so the ports
// can be probed again then (a generator or adapter plugged in after start-up).
class PortList : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    void showPopup() override {
        emit aboutToShowPopup();
        QComboBox::showPopup();
    }

signals:
    void aboutToShowPopup();
};

} // namespace kx
