#include "support/Rig.h"

#include "kit/ShapeWidget.h"
#include "ui_Main.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

namespace kxtest {

Rig::Rig(const QString& model, QList<int> ports) {
    const kxsim::ModelProfile* profile = kxsim::findProfile(model);
    Q_ASSERT(profile);
    generator_ = std::make_unique<kxsim::Generator>(*profile);

    kx::Seams seams;
    auto clock = std::make_unique<FakeClock>();
    clock_ = clock.get();
    auto port = std::make_unique<FakeSerialPort>(*clock_);
    port_ = port.get();
    auto boxes = std::make_unique<MessageRecorder>();
    boxes_ = boxes.get();
    seams.clock = std::move(clock);
    seams.port = std::move(port);
    seams.boxes = std::move(boxes);
    seams.configDir = config_.path();
    this->ports = ports;
    seams.probe = [this](int n) { return this->ports.contains(n); };
    seams.quit = [this] { ++quits_; };
    seams.saveFileName = [this](QWidget*) { return saveFileName; };
    seams.setupFileName = [this](QWidget*, bool) { return setupFileName; };
    // Records the steps, and cancels where the test says.
    struct Recorder : kx::Progress {
        Rig& rig;
        bool stop = false;
        explicit Recorder(Rig& rig) : rig(rig) {}
        void show(int step, int steps, const QString& what, int) override {
            rig.progressShown << QStringLiteral("%1/%2 %3").arg(step).arg(steps).arg(what);
            stop = step == rig.cancelAt;
        }
        bool cancelled() override { return stop; }
        void close() override { stop = false; }
    };
    seams.progress = std::make_unique<Recorder>(*this);
    talk_ = std::make_unique<Conversation>(*port_, *generator_);
    main_ = std::make_unique<kx::Main>(std::move(seams));
}

Rig::~Rig() { talk_->check(); }

Ui::Main& Rig::ui() { return main_->ui(); }

void Rig::connectTo(const QString& portText) {
    ui().comPort->setEditText(portText);
    ui().connectBtn->click();
}

void Rig::connected() {
    connectTo();
    Q_ASSERT(port_->isOpen());
    takeLines();
    takeWaits();
    takeBoxes();
}

QList<QByteArray> Rig::takeLines() { return std::exchange(port_->lines, {}); }

QList<qint64> Rig::takeWaits() {
    QList<qint64> out;
    for (const auto& w : std::exchange(clock_->waits, {}))
        out << w.waited;
    return out;
}

QList<MessageRecorder::Box> Rig::takeBoxes() { return std::exchange(boxes_->boxes, {}); }

} // namespace kxtest

namespace kxtest {

QString box(kx::MessageBoxes::Icon icon, const QString& title, const QString& text) {
    static const char* const icons[] = {"warning", "stop", "question"};
    return QStringLiteral("%1 | %2 | %3").arg(QLatin1String(icons[int(icon)]), title, text);
}

QStringList boxes(Rig& rig) {
    QStringList out;
    for (const MessageRecorder::Box& b : rig.takeBoxes())
        out << box(b.icon, b.title, b.text);
    return out;
}

QAbstractButton* button(Rig& rig, const QString& name) {
    auto* b = rig.main().findChild<QAbstractButton*>(name);
    if (!b)
        qFatal("no button %s", qPrintable(name));
    return b;
}

bool idle(Rig& rig) { return rig.main().isEnabled() && !QApplication::overrideCursor(); }

qint64 msToNextSecond(Rig& rig) { return 1000 - rig.clock().wallMsecs() % 1000; }

QString picture(Rig& rig) { return rig.ui().wave->property("picture").toString(); }

namespace {

QString outputLine(bool onEnabled, bool offEnabled, const QColor& light) {
    return QStringLiteral("ON %1, OFF %2, light %3")
        .arg(QLatin1String(onEnabled ? "enabled" : "disabled"),
             QLatin1String(offEnabled ? "enabled" : "disabled"), light.name());
}

} // namespace

QString output(Rig& rig) {
    const Ui::Main& ui = rig.ui();
    return outputLine(ui.outOn->isEnabled(), ui.outOff->isEnabled(), ui.outLight->fillColor());
}

QString outputShown(bool on) {
    return outputLine(!on, on,
                      on ? QColor(0, 255, 0) : QApplication::palette().color(QPalette::Button));
}

} // namespace kxtest
