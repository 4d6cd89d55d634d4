#include "ctl/Ctl.h"

#include "ctl/Report.h"
#include "ctl/Session.h"
#include "link/LinkError.h"
#include "link/PortMap.h"
#include "link/SerialPort.h"
#include "share/SharedPort.h"
#include "state/Profile.h"
#include "state/Request.h"

#include <QJsonArray>
#include <QTextStream>

namespace kxctl {

namespace {

QString help() {
    // "a, b or c"
    const auto either = [](const QStringList& all) {
        return all.size() < 2 ? all.join(QString())
                              : all.mid(0, all.size() - 1).join(QStringLiteral(", ")) +
                                    QStringLiteral(" or ") + all.last();
    };
    QStringList models;
    for (const kx::ModelProfile& m : kx::models())
        models << QLatin1String(m.model);
    QString settings;
    for (const kx::Name& n : kx::names()) {
        const QStringList u = kx::units(n);
        QStringList all;
        for (const kx::Word& w : kx::words(n))
            all << w.word;
        const QString takes = u.size() == 1  ? QStringLiteral("NUMBER [%1]").arg(u.first())
                              : u.size() > 1 ? QStringLiteral("NUMBER and %1").arg(either(u))
                              : n.kind == kx::Kind::Burst ? QStringLiteral("NUMBER")
                                                          : either(all);
        settings +=
            QStringLiteral("  %1 %2; %3\n")
                .arg(QString::fromLatin1(n.name).leftJustified(14), takes, QLatin1String(n.help));
    }
    // One pass: what is put in for %1, %2 and %3 is not read for more.
    const QString text = QStringLiteral(
        "Usage: kx-ctl [-p N | -d DEVICE] [--json] [--keep-going] COMMAND [ARGUMENTS]\n"
        "Drives a %1 function generator on its serial line,\n"
        "checking every value as the front panel kx-panel does and sending the\n"
        "same lines.\n"
        "\n"
        "Options:\n"
        "  -p N          port N (1-16) as the panel numbers it: the link comN in\n"
        "                ~/.config/kx-panel/ports/, else\n"
        "                %2\n"
        "  -d DEVICE     the serial device itself\n"
        "  --json        each result as one JSON object a line\n"
        "  --keep-going  run: go on after a line refused or failed as it is carried out\n"
        "  -h, --help    this text\n"
        "  --version     the version\n"
        "\n"
        "Commands:\n"
        "  ports         each port number whose device opens, with the device\n"
        "  identify      the generator's answer to *IDN?\n"
        "  status        waveform, frequency, amplitude, offset, mode, sweep,\n"
        "                modulation and output, as the generator answers\n"
        "  limits        the connected model's range of every setting\n"
        "  set NAME VALUE  one setting (below)\n"
        "  save N        save the set-up in memory location N, then the status\n"
        "  recall N      recall the set-up of location N, then the status\n"
        "  factory       recall the factory set-up, then the status\n"
        "  run FILE      one command a line (# starts a comment); - reads standard input.\n"
        "                Checked whole first: a line the generator would refuse, and\n"
        "                none is sent\n"
        "  save-setup FILE  the generator's set-up as a run file that brings it back\n"
        "                (- for standard output)\n"
        "  send LINE     one line of printable ASCII, sent as given and not checked; the\n"
        "                answer to a query (a line ending in ?) is printed\n"
        "  server-status who is connected to the kx-server that holds the port, and who\n"
        "                holds its lock\n"
        "\n"
        "Settings (set NAME VALUE); a number is written with its unit, as 2.5kHz, 20ms:\n"
        "%3"
        "\n"
        "A value is one word, or a number and its unit as two: 2.5kHz or 2.5 kHz. A value\n"
        "the generator does not report back is shown as sent, not as confirmed.\n"
        "\n"
        "Exit status: 0 done; 1 refused by a check (its numbered text on standard error);\n"
        "2 usage (nothing sent); 3 the link (no such port or device, not a serial port, in\n"
        "use, no permission, lost); 4 no valid answer from the generator; 5 standard output\n"
        "or the set-up file cannot be written (nothing more is sent). SIGINT, SIGTERM or SIGHUP: "
        "the line being\n"
        "written is finished, nothing more is sent, the port is closed; 128 + the signal.\n");
    return text.arg(either(models), kx::PortMap::numbering(), settings);
}

int execute(Environment& env, const Options& options, QList<kx::RequestLine>& lines,
            const QString& file) {
    // One command, or a whole run file, is one operation: through a kx-server, no other
    // program's line comes between its lines.
    const kx::HeldOperation held(env.port);
    Session session(env, options);
    const auto where = [&](int number) {
        return number ? QStringLiteral("%1:%2: ").arg(file).arg(number) : QString();
    };
    // A run file is checked whole against the generator first: one line it would refuse,
    // and none is sent.
    if (!file.isEmpty()) {
        QList<std::pair<int, Outcome>> refused;
        Outcome o;
        try {
            o = session.check(lines, &refused);
        } catch (const kx::ShuttingDown&) {
            return Done;
        }
        for (const auto& [number, r] : refused) {
            const auto line = std::find_if(lines.begin(), lines.end(),
                                           [n = number](const auto& l) { return l.number == n; });
            report(env, options, where(number), line->request.text, {}, r);
        }
        if (o.status != Done) {
            report(env, options, file + QStringLiteral(": "), QStringLiteral("run ") + file,
                   session.sent(), o);
            return o.status;
        }
        if (!refused.isEmpty())
            return nothingSent(env, file, int(refused.size()));
    }
    int status = Done;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const kx::RequestLine& l = lines[i];
        if (env.stopSignal())
            break;
        if (env.progress && !file.isEmpty())
            progress(env, int(i + 1), int(lines.size()), l.request.text);
        Outcome o;
        try {
            o = session.execute(l.request);
        } catch (const kx::ShuttingDown&) {
            break;
        }
        report(env, options, where(l.number), l.request.text, session.sent(), o);
        if (env.out.status() != QTextStream::Ok)
            return Output;
        if (status == Done)
            status = o.status; // that of the first line that did not end Done
        if (o.status != Done && (!options.keepGoing || o.status == Link))
            break;
    }
    return status;
}

// What the kx-server that holds the port says: its generator, its clients, the lock.
int serverStatus(Environment& env, const Options& options) {
    const QString command = QStringLiteral("server-status");
    QString why;
    const std::optional<kx::ServerStatus> s = kx::askServer(options.device, &why);
    Outcome o;
    if (!s) {
        o.status = Link;
        o.message = QStringLiteral("%1: %2").arg(options.portName, why);
    } else {
        o.items << Item{QStringLiteral("server: %1 on %2").arg(s->identification, s->device),
                        QJsonObject{{"device", s->device}, {"identification", s->identification}}};
        for (const QString& client : s->clients)
            o.items << Item{QStringLiteral("client: ") + client, QJsonObject{{"client", client}}};
        o.items << Item{QStringLiteral("lock: ") +
                            (s->holder.isEmpty() ? QStringLiteral("free") : s->holder),
                        QJsonObject{{"lock", s->holder.isEmpty() ? QJsonValue() : s->holder}}};
    }
    report(env, options, {}, command, {}, o);
    return written(env, o.status);
}

} // namespace

int run(const QStringList& arguments, Environment& env) {
    Options options;
    QStringList command;
    QString port;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (!command.isEmpty() || !a.startsWith(QLatin1Char('-'))) {
            command << a; // the command, and all that follows it as its arguments
        } else if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            env.out << help();
            return written(env, Done);
        } else if (a == QLatin1String("--version")) {
            env.out << "kx-ctl " KX_VERSION "\n";
            return written(env, Done);
        } else if (a == QLatin1String("--json")) {
            options.json = true;
        } else if (a == QLatin1String("--keep-going")) {
            options.keepGoing = true;
        } else if (a == QLatin1String("-p") || a == QLatin1String("-d")) {
            if (i + 1 >= arguments.size())
                return usage(env, QStringLiteral("%1 needs a value").arg(a));
            if (!port.isEmpty())
                return usage(env, QStringLiteral("give one port: -p N or -d DEVICE"));
            port = a + QLatin1Char(' ') + arguments[++i];
        } else {
            return usage(env, QStringLiteral("unknown option %1").arg(a));
        }
    }
    if (port.startsWith(QLatin1String("-p"))) {
        const QString number = port.mid(3);
        // Plain digits only, as QString::number writes them: not "03", "+3" or " 3".
        const int n = number.toInt();
        if (n < kx::PortMap::firstPort || n > kx::PortMap::lastPort || number != QString::number(n))
            return usage(env,
                         QStringLiteral("the port is a number from 1 to 16, not %1").arg(number));
        const kx::PortMap map(env.configDir);
        options.device = map.device(n);
        options.portName = map.name(n);
    } else if (!port.isEmpty()) {
        options.device = port.mid(3);
        options.portName = options.device;
    }

    if (command.value(0) == QLatin1String("server-status")) {
        if (command.size() > 1)
            return usage(env, QStringLiteral("server-status takes no argument"));
        if (options.device.isEmpty())
            return usage(env, QStringLiteral("no port given: -p N or -d DEVICE"));
        return serverStatus(env, options);
    }
    kx::Request request;
    if (const QString error = kx::parseRequest(command, &request); !error.isEmpty())
        return usage(env, error);
    QList<kx::RequestLine> lines;
    QString file;
    if (request.verb == kx::Verb::Run) {
        file = request.typed;
        const std::optional<QByteArray> text = env.read ? env.read(file) : std::nullopt;
        if (env.stopSignal())
            return stopped(env);
        if (!text)
            return usage(env, QStringLiteral("cannot read %1").arg(file));
        if (const QString error = kx::parseRunFile(*text, &lines); !error.isEmpty())
            return usage(env, file + QLatin1Char(':') + error);
    } else {
        lines << kx::RequestLine{0, request};
    }
    for (const kx::RequestLine& l : lines) {
        if (l.request.needsPort && options.device.isEmpty())
            return usage(env, QStringLiteral("no port given: -p N or -d DEVICE"));
    }

    // The port is closed by the time either is said.
    const int status = execute(env, options, lines, file);
    if (env.stopSignal())
        return stopped(env);
    return written(env, status);
}

} // namespace kxctl
