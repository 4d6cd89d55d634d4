#include "ctl/Report.h"

#include "link/Traffic.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <csignal>

namespace kxctl {

namespace {

// Text for a terminal: control characters and bytes outside printable ASCII are shown as
// the traffic view shows them (<CR>, <0x1b>), so that nothing typed or answered can move
// the cursor or clear the screen. A generator's answer is read as Latin-1, so a character
// up to 0xff is shown as the byte it came as; one beyond (typed on the command line) as
// its UTF-8 bytes.
QString visible(const QString& text) {
    QByteArray bytes;
    for (const char32_t c : text.toUcs4()) {
        if (c < 0x100)
            bytes += static_cast<char>(c);
        else
            bytes += QString::fromUcs4(&c, 1).toUtf8();
    }
    return kx::Traffic::visible(bytes);
}

} // namespace

void report(Environment& env, const Options& options, const QString& where, const QString& command,
            const QStringList& sent, const Outcome& o) {
    const auto json = [&](QJsonObject object) {
        object.insert(QStringLiteral("command"), command);
        if (!object.contains(QStringLiteral("sent")))
            object.insert(QStringLiteral("sent"), QJsonArray::fromStringList(sent));
        env.out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
    };
    for (const Item& i : o.items) {
        if (options.json)
            json(i.json);
        else
            for (const QString& line :
                 i.severalLines ? i.human.split(QLatin1Char('\n')) : QStringList{i.human})
                env.out << visible(line) << '\n';
    }
    if (o.status == Refused) {
        const QString number =
            o.code ? QStringLiteral("refused (%1): ").arg(*o.code) : QStringLiteral("refused: ");
        env.err << "kx-ctl: " << visible(where + number + o.message) << '\n';
        if (options.json)
            json({{"refused", QJsonObject{{"code", o.code ? QJsonValue(*o.code) : QJsonValue()},
                                          {"text", o.message}}}});
    } else if (o.status != Done) {
        env.err << "kx-ctl: " << visible(where + o.message) << '\n';
        QJsonObject error{{"error", o.status == Link     ? "link"
                                    : o.status == Output ? "output"
                                                         : "no valid answer"},
                          {"text", o.message}};
        if (!o.query.isEmpty())
            error.insert(QStringLiteral("query"), o.query);
        if (options.json)
            json(error);
    }
    // A run's results show as they come, pauses and all.
    env.out.flush();
    env.err.flush();
}

int nothingSent(Environment& env, const QString& file, int refused) {
    env.err << "kx-ctl: " << visible(file) << ": nothing sent: the generator would refuse "
            << refused << (refused == 1 ? " line" : " lines") << '\n';
    env.err.flush();
    return Refused;
}

void progress(Environment& env, int n, int of, const QString& request) {
    env.err << n << '/' << of << ' ' << visible(request) << '\n';
    env.err.flush();
}

int usage(Environment& env, const QString& message) {
    env.err << "kx-ctl: " << visible(message) << "\nTry kx-ctl --help.\n";
    env.err.flush();
    return Usage;
}

int written(Environment& env, int status) {
    env.out.flush();
    if (env.out.status() == QTextStream::Ok)
        return status;
    env.err << "kx-ctl: standard output cannot be written: nothing more is sent\n";
    env.err.flush();
    return Output;
}

int stopped(Environment& env) {
    const int signal = env.stopSignal();
    const QString name = signal == SIGINT    ? QStringLiteral("SIGINT")
                         : signal == SIGTERM ? QStringLiteral("SIGTERM")
                         : signal == SIGHUP  ? QStringLiteral("SIGHUP")
                                             : QStringLiteral("signal %1").arg(signal);
    env.err << "kx-ctl: stopped by " << name << ": nothing more is sent, the port is closed\n";
    env.err.flush();
    return Signalled + signal;
}

} // namespace kxctl
