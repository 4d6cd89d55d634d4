// kx-sim: a simulated KX function generator on a pseudo-terminal.

#include "sim/Generator.h"
#include "sim/PtyServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace {

int stopPipe[2] = {-1, -1};

extern "C" void onStopSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(stopPipe[1], &byte, 1);
}

bool installStopSignals() {
    if (::pipe(stopPipe) != 0)
        return false;
    for (const int fd : stopPipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

int usageError(const QString& text) {
    std::fprintf(stderr, "kx-sim: %s\n", qPrintable(text));
    return 2;
}

// A whole number from `min` up, or nothing.
std::optional<int> wholeNumber(const QString& text, int min) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < min)
        return std::nullopt;
    return value;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kx-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A simulated KX function generator on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption modelOption(QStringLiteral("model"),
                                         QStringLiteral("KX12A, KX20A or KX25A (default KX25A)."),
                                         QStringLiteral("model"), QStringLiteral("KX25A"));
    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("Link the device as comN (N 1..16) in kx-panel/ports of the user's "
                       "configuration directory."),
        QStringLiteral("N"));
    const QCommandLineOption latencyOption(QStringLiteral("latency"),
                                           QStringLiteral("Delay before each answer (default 0)."),
                                           QStringLiteral("ms"), QStringLiteral("0"));
    const QCommandLineOption crlfOption(QStringLiteral("crlf"),
                                        QStringLiteral("End answers with CR LF instead of CR."));
    const QCommandLineOption faultOption(
        QStringLiteral("fault"),
        QStringLiteral("silent, late, lowercase-e, echo or hangup (with --after)."),
        QStringLiteral("fault"));
    const QCommandLineOption afterOption(
        QStringLiteral("after"), QStringLiteral("Lines received before --fault hangup hangs up."),
        QStringLiteral("N"));
    const QCommandLineOption hangUpOption(QStringLiteral("hangup-after"),
                                          QStringLiteral("Close the line after N received lines."),
                                          QStringLiteral("N"));
    const QCommandLineOption logOption(
        QStringLiteral("log"),
        QStringLiteral("Log every line, with its time, to FILE (- for stderr)."),
        QStringLiteral("FILE"));
    const QCommandLineOption lenientOption(
        QStringLiteral("lenient"),
        QStringLiteral("Read a number without its unit in the base unit and leave bytes "
                       "unchecked, instead of rejecting such lines."));
    parser.addOptions({modelOption, portOption, latencyOption, crlfOption, faultOption, afterOption,
                       hangUpOption, logOption, lenientOption});
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (!parser.positionalArguments().isEmpty())
        return usageError(
            QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));

    const kxsim::ModelProfile* profile = kxsim::findProfile(parser.value(modelOption).toUpper());
    if (!profile)
        return usageError(QStringLiteral("unknown model %1").arg(parser.value(modelOption)));

    std::optional<int> port;
    if (parser.isSet(portOption)) {
        port = wholeNumber(parser.value(portOption), kxsim::PortLink::firstPort);
        if (!port || *port > kxsim::PortLink::lastPort)
            return usageError(QStringLiteral("--port takes a number from 1 to 16"));
    }

    kxsim::ServerOptions options;
    const auto latency = wholeNumber(parser.value(latencyOption), 0);
    if (!latency)
        return usageError(QStringLiteral("--latency takes a number of milliseconds"));
    options.latencyMs = *latency;

    const QString fault = parser.value(faultOption).toLower();
    if (fault == QLatin1String("silent"))
        options.fault = kxsim::Fault::Silent;
    else if (fault == QLatin1String("late"))
        options.fault = kxsim::Fault::Late;
    else if (fault == QLatin1String("lowercase-e"))
        options.fault = kxsim::Fault::LowerCaseE;
    else if (fault == QLatin1String("hangup"))
        options.fault = kxsim::Fault::HangUp;
    else if (fault == QLatin1String("echo"))
        options.fault = kxsim::Fault::Echo;
    else if (parser.isSet(faultOption))
        return usageError(QStringLiteral("unknown fault %1").arg(parser.value(faultOption)));

    if (parser.isSet(hangUpOption)) {
        if (parser.isSet(faultOption) && options.fault != kxsim::Fault::HangUp)
            return usageError(
                QStringLiteral("--hangup-after cannot go with --fault %1").arg(fault));
        options.fault = kxsim::Fault::HangUp;
    }
    if (options.fault == kxsim::Fault::HangUp) {
        const QCommandLineOption& count = parser.isSet(hangUpOption) ? hangUpOption : afterOption;
        const auto lines = wholeNumber(parser.value(count), 1);
        if (!lines)
            return usageError(QStringLiteral("the hang-up fault needs a number of lines, 1 or more "
                                             "(--after N or --hangup-after N)"));
        options.hangUpAfter = *lines;
    } else if (parser.isSet(afterOption)) {
        return usageError(QStringLiteral("--after goes with --fault hangup"));
    }

    FILE* log = nullptr;
    if (parser.isSet(logOption)) {
        const QString name = parser.value(logOption);
        log = name == QLatin1String("-") ? stderr : std::fopen(qPrintable(name), "a");
        if (!log) {
            std::perror(qPrintable(QStringLiteral("kx-sim: %1").arg(name)));
            return 1;
        }
    }
    options.log = log;

    kxsim::Generator generator(*profile);
    if (parser.isSet(crlfOption))
        generator.setLineEnd("\r\n");
    generator.setLowerCaseExponent(options.fault == kxsim::Fault::LowerCaseE);
    generator.setEcho(options.fault == kxsim::Fault::Echo);
    generator.setLenient(parser.isSet(lenientOption));

    if (!installStopSignals()) {
        std::perror("kx-sim: pipe");
        return 1;
    }

    int status = 0;
    {
        kxsim::PtyServer server(generator, options);
        kxsim::PortLink link;
        QString error;
        if (!server.open(&error)) {
            std::fprintf(stderr, "kx-sim: %s\n", qPrintable(error));
            return 1;
        }
        if (port && !link.create(*port, server.slavePath(), &error)) {
            std::fprintf(stderr, "kx-sim: %s\n", qPrintable(error));
            return 1;
        }

        QString started = QStringLiteral("kx-sim: %1 on %2").arg(profile->name, server.slavePath());
        if (port)
            started += QStringLiteral(" as port %1 (%2)").arg(*port).arg(link.path());
        std::printf("%s\n", qPrintable(started));
        std::fflush(stdout);

        switch (server.run(stopPipe[0])) {
        case kxsim::PtyServer::End::Stopped:
            break;
        case kxsim::PtyServer::End::HungUp:
            std::fprintf(stderr, "kx-sim: hung up after %lld lines\n",
                         static_cast<long long>(server.linesReceived()));
            break;
        case kxsim::PtyServer::End::Failed:
            std::fprintf(stderr, "kx-sim: the pseudo-terminal failed\n");
            status = 1;
            break;
        }
        // However it ended: how many lines the strict reading rejected.
        const qint64 rejected = generator.rejectedCount();
        std::fprintf(stderr, "kx-sim: %lld %s rejected\n", static_cast<long long>(rejected),
                     rejected == 1 ? "line" : "lines");
        std::fflush(stderr);
        link.remove();
    }
    if (log && log != stderr)
        std::fclose(log);
    return status;
}
