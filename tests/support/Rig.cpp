#include "support/Rig.h"

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
    seams.probe = [ports](int n) { return ports.contains(n); };
    seams.quit = [this] { ++quits_; };
    seams.saveFileName = [this](QWidget*) { return saveFileName; };
    answerFromGenerator();
    main_ = std::make_unique<kx::Main>(std::move(seams));
}

Rig::~Rig() {
    checkConversation();
    checkNothingRejected();
}

void Rig::checkNothingRejected() {
    const qint64 count = generator_->rejectedCount();
    if (count == 0 || generator_->lenient() || QTest::currentTestFailed())
        return;
    QStringList lines;
    for (const kxsim::Generator::Rejection& r : generator_->rejected())
        lines << QStringLiteral("%1 (%2)").arg(
            QString::fromLatin1(kxsim::Generator::visible(r.line)), QString::fromLatin1(r.reason));
    QTest::qFail(qPrintable(QStringLiteral("the generator rejected %1 line(s): ").arg(count) +
                            lines.join(QStringLiteral("; "))),
                 __FILE__, __LINE__);
}

QStringList Rig::conversationProblems() const {
    QStringList problems = scriptErrors;
    for (const auto& [sent, reply] : script_)
        problems << QStringLiteral("never sent %1").arg(QString::fromLatin1(sent));
    return problems;
}

void Rig::checkConversation() {
    if (!scripted_)
        return;
    const QStringList problems = conversationProblems();
    scripted_ = false;
    script_.clear();
    scriptErrors.clear();
    // A test that has failed already says why; the rest would only repeat it.
    if (!problems.isEmpty() && !QTest::currentTestFailed())
        QTest::qFail(qPrintable(QStringLiteral("the conversation went otherwise: ") +
                                problems.join(QStringLiteral("; "))),
                     __FILE__, __LINE__);
}

Ui::Main& Rig::ui() {
    return main_->ui();
}

void Rig::answerFromGenerator(int latencyMs) {
    checkConversation();
    port_->answerFrom(*generator_, latencyMs);
}

void Rig::expect(const QList<std::pair<QByteArray, QByteArray>>& conversation) {
    checkConversation();
    scripted_ = true;
    script_ = conversation;
    port_->responder = [this](const QByteArray& l) -> QList<FakeSerialPort::Chunk> {
        if (script_.isEmpty()) {
            scriptErrors << QStringLiteral("unexpected line %1").arg(QString::fromLatin1(l));
            return {};
        }
        const auto [sent, reply] = script_.takeFirst();
        if (sent != l)
            scriptErrors << QStringLiteral("expected %1, got %2")
                                .arg(QString::fromLatin1(sent), QString::fromLatin1(l));
        if (reply.isEmpty())
            return {};
        return {{0, reply}};
    };
}

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

QList<QByteArray> Rig::takeLines() {
    return std::exchange(port_->lines, {});
}

QList<qint64> Rig::takeWaits() {
    QList<qint64> out;
    for (const auto& w : std::exchange(clock_->waits, {}))
        out << w.waited;
    return out;
}

QList<MessageRecorder::Box> Rig::takeBoxes() {
    return std::exchange(boxes_->boxes, {});
}

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

bool idle(Rig& rig) {
    return rig.main().isEnabled() && !QApplication::overrideCursor();
}

qint64 msToNextSecond(Rig& rig) {
    return 1000 - rig.clock().wallMsecs() % 1000;
}

} // namespace kxtest
