#include "panel/Connection.h"

#include "kit/MessageBoxes.h"
#include "kit/Operations.h"
#include "kit/ShapeWidget.h"
#include "link/Exchange.h"
#include "link/Identify.h"
#include "link/LinkError.h"
#include "link/SerialPort.h"
#include "link/portDetect.h"
#include "panel/Groups.h"
#include "state/Number.h"
#include "state/Profile.h"
#include "state/Refusals.h"
#include "state/modVariables.h"
#include "ui_Main.h"

#include <algorithm>
#include <cmath>

namespace kx {

Connection::Connection(PanelContext ctx, PortMap map, Probe probe)
    : ctx_(ctx), map_(std::move(map)), probe_(std::move(probe)) {
    if (!probe_)
        probe_ = [this](int n) { return isPortAvailable(map_, n); };
}

void Connection::ListComPorts() {
    QComboBox* list = ctx_.ui.comPort;
    if (fillPortList())
        list->setCurrentIndex(std::max(list->findText(QString::number(map_.rememberedPort())), 0));
    else
        showError(ctx_.boxes, port::noPorts);
}

void Connection::comPort_DropDown() {
    QComboBox* list = ctx_.ui.comPort;
    const QString chosen = list->currentText();
    const bool typed = list->findText(chosen) < 0;
    fillPortList();
    const int at = list->findText(chosen);
    if (at >= 0)
        list->setCurrentIndex(at);
    else if ((typed && !chosen.isEmpty()) || list->count() == 0)
        list->setEditText(chosen);
    else
        list->setCurrentIndex(0);
}

bool Connection::fillPortList() {
    QComboBox* list = ctx_.ui.comPort;
    list->clear();
    list->setEditText(QString());
    QStringList tips;
    for (int n = PortMap::firstPort; n <= PortMap::lastPort; ++n) {
        if (!probe_(n))
            continue;
        list->addItem(QString::number(n));
        tips << QStringLiteral("%1 = %2").arg(n).arg(map_.device(n));
    }
    const QString typing = QStringLiteral("\nA port number that is not listed can be typed; "
                                          "opening the list looks for ports again.");
    if (list->count() > 0) {
        list->setToolTip(QStringLiteral("Choose the port the generator is connected to:\n") +
                         tips.join(QLatin1Char('\n')) + typing);
        return true;
    }
    list->setToolTip(QStringLiteral("No port found: %1.").arg(map_.whereToLook()) + typing);
    return false;
}

void Connection::connectBtn_Click() {
    ctx_.ops.run(Operations::Needs::Nothing, [this] { connectToGenerator(); });
}

void Connection::connectToGenerator() {
    Ui::Main& ui = ctx_.ui;
    ui.message->setText(QStringLiteral("Connecting...please wait..."));

    // No port chosen: anything but a number from 1.
    const auto value = parseNumber(ui.comPort->currentText());
    if (!value || *value < 1)
        return showError(ctx_.boxes, 4);
    // Halves round to even: 2.5 is port 2, 3.5 port 4. Beyond the last port it is as if
    // no port were there.
    const double rounded = std::nearbyint(*value);
    if (rounded > PortMap::lastPort)
        return handleConnectError(port::rejected);
    const int port = static_cast<int>(rounded);
    const QString device = map_.device(port);

    ctx_.link.close();
    // Nothing known of the generator before carries over to this one, which may be
    // another model: until it is identified the model, and so its limits and shapes,
    // are unknown, and every check that needs them refuses.
    ctx_.vars = modVariables{};
    fillModShape();
    // Nor do its values: the displays show nothing until this generator answers.
    for (const Shown* display : {&shown::frequency, &shown::amplitude, &shown::offset})
        show(ctx_.ui, *display, {});
    ctx_.ui.mode->clear();
    ctx_.ui.funcIndicator->clear();
    ctx_.ui.source->clear();
    if (!ctx_.link.open(device)) {
        const PortRefusal& refusal = openRefusal(ctx_.link.port().openError(), device);
        if (refusal.box)
            return handleConnectError(refusal);
        QString line = refusal.about(map_.name(port));
        line[0] = line[0].toUpper();
        throw OperationFailed{line};
    }
    map_.rememberPort(port);
    ui.PortOpenStat->setFillColor(Qt::green);
    ui.comPort->setEnabled(false);
    ui.connectBtn->setEnabled(false);
    ui.closeBtn->setEnabled(true);

    // Unanswered, the question leaves the generator unknown, and the status line says so.
    Identity id;
    try {
        id = identify(ctx_.link);
        if (!id.answered)
            throw noValidAnswer(QStringLiteral("*IDN?"));
    } catch (OperationFailed& failure) {
        failure.message += QStringLiteral(" The generator was not identified.");
        throw;
    }
    if (id.model.isEmpty())
        throw OperationFailed{
            QStringLiteral("The generator's answer to *IDN? names no KX model, so it was not "
                           "identified: %1")
                .arg(id.line)};
    ctx_.vars.modelName = id.model;
    fillModShape();
    statusRefresh::update(ctx_);
    ui.message->setText(id.line);
}

void Connection::handleConnectError(const PortRefusal& refusal) { showError(ctx_.boxes, refusal); }

void Connection::fillModShape() {
    QComboBox* list = ctx_.ui.modShape;
    const QString text = list->currentText();
    list->clear();
    if (const ModelProfile* profile = findModel(ctx_.vars.modelName)) {
        for (const char* shape : profile->modulationShapes)
            list->addItem(QString::fromLatin1(shape));
    }
    // The list's text stays as it was; no item is chosen for the operator.
    list->setCurrentIndex(-1);
    list->setEditText(text);
}

void Connection::closeBtn_Click() {
    ctx_.ops.run(Operations::Needs::Nothing, [this] {
        ctx_.link.close();
        showClosed();
    });
}

void Connection::showClosed() {
    ctx_.ui.PortOpenStat->setFillColor(Qt::red);
    ctx_.ui.comPort->setEnabled(true);
    ctx_.ui.connectBtn->setEnabled(true);
}

} // namespace kx
