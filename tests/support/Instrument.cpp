#include "support/Instrument.h"

#include "link/Identify.h"
#include "state/Status.h"

#include <QTest>

namespace kxtest {

Conversation::Conversation(FakeSerialPort& port, kxsim::Generator& generator)
    : port_(port), generator_(generator) {
    answerFromGenerator();
}

Conversation::~Conversation() {
    check();
    checkNothingRejected();
}

void Conversation::checkNothingRejected() {
    const qint64 count = generator_.rejectedCount();
    if (count == 0 || generator_.lenient() || QTest::currentTestFailed())
        return;
    QStringList lines;
    for (const kxsim::Generator::Rejection& r : generator_.rejected())
        lines << QStringLiteral("%1 (%2)").arg(
            QString::fromLatin1(kxsim::Generator::visible(r.line)), QString::fromLatin1(r.reason));
    QTest::qFail(qPrintable(QStringLiteral("the generator rejected %1 line(s): ").arg(count) +
                            lines.join(QStringLiteral("; "))),
                 __FILE__, __LINE__);
}

QStringList Conversation::problems() const {
    QStringList out = errors;
    for (const auto& [sent, reply] : script_)
        out << QStringLiteral("never sent %1").arg(QString::fromLatin1(sent));
    return out;
}

void Conversation::check() {
    if (!scripted_)
        return;
    const QStringList found = problems();
    scripted_ = false;
    script_.clear();
    errors.clear();
    // A test that has failed already says why; the rest would only repeat it.
    if (!found.isEmpty() && !QTest::currentTestFailed())
        QTest::qFail(qPrintable(QStringLiteral("the conversation went otherwise: ") +
                                found.join(QStringLiteral("; "))),
                     __FILE__, __LINE__);
}

void Conversation::answerFromGenerator(int latencyMs) {
    check();
    port_.answerFrom(generator_, latencyMs);
}

void Conversation::expect(const Talk& talk) {
    check();
    scripted_ = true;
    script_ = talk;
    port_.responder = [this](const QByteArray& l) -> QList<FakeSerialPort::Chunk> {
        if (script_.isEmpty()) {
            errors << QStringLiteral("unexpected line %1").arg(QString::fromLatin1(l));
            return {};
        }
        const auto [sent, reply] = script_.takeFirst();
        if (sent != l)
            errors << QStringLiteral("expected %1, got %2")
                          .arg(QString::fromLatin1(sent), QString::fromLatin1(l));
        if (reply.isEmpty())
            return {};
        return {{0, reply}};
    };
}

Instrument::Instrument(const QString& model)
    : generator(std::make_unique<kxsim::Generator>(*kxsim::findProfile(model))) {}

void Instrument::connect() {
    [[maybe_unused]] const bool opened = link.open(QStringLiteral("/dev/fake"));
    Q_ASSERT(opened);
    vars.modelName = kx::identify(link).model;
    kx::readStatus(link, vars);
    takeLines();
    clock.waits.clear();
}

QString describe(const kx::Result& r) {
    static const char* const kinds[] = {"done", "refused", "no valid answer", "link lost"};
    return QStringLiteral("%1 %2 %3 %4%5 [%6]")
        .arg(QLatin1String(kinds[int(r.kind)]))
        .arg(r.code)
        .arg(r.query, r.answer.value, r.answer.unit, r.answer.reply);
}

void levelColumns() {
    QTest::addColumn<bool>("amplitude"); // false: offset
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("otherShown");
    QTest::addColumn<int>("code"); // 0: accepted
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("shown");
}

void levelRow(bool amplitude, const char* name, const char* text, const char* otherShown, int code,
              const char* reply, const char* shown) {
    QTest::addRow("%s %s", amplitude ? "amplitude" : "offset", name)
        << amplitude << text << otherShown << code << (code ? QByteArray() : line(reply)) << shown;
}

} // namespace kxtest
