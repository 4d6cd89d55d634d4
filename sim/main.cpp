// kx-sim: a simulated KX function generator on a pseudo-terminal.

#include "link/PortMap.h"
#include "sim/Generator.h"
#include "sim/PtyServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <unistd.h>
#include <utility>

namespace {

// One option of kx-sim; without a value name it is a switch.
struct OptionRow {
    const char* name;
    const char* description;
    const char* valueName = "";
    const char* defaultValue = "";
};

constexpr OptionRow optionRows[] = {
    {"model", "KX12A, KX20A or KX25A (default KX25A).", "model", "KX25A"},
    {"port",
     "Link the device as comN (N 1..16) in kx-panel/ports of the user's configuration "
     "directory.",
     "N"},
    {"latency", "Delay before each answer (default 0).", "ms", "0"},
    {"crlf", "End answers with CR LF instead of CR."},
    {"fault", "silent, late, lowercase-e, echo or hangup (with --after).", "fault"},
    {"after", "Lines received before --fault hangup hangs up.", "N"},
    {"hangup-after", "Close the line after N received lines.", "N"},
    {"log", "Log every line, with its time, to FILE (- for stderr).", "FILE"},
    {"lenient", "Read a number without its unit in the base unit and leave bytes unchecked, "
                "instead of rejecting such lines."},
};

// The words --fault takes, in any letter case.
constexpr std::pair<const char*, kxsim::Fault> faultWords[] = {
    {"silent", kxsim::Fault::Silent},
    {"late", kxsim::Fault::Late},
    {"lowercase-e", kxsim::Fault::LowerCaseE},
    {"hangup", kxsim::Fault::HangUp},
    {"echo", kxsim::Fault::Echo}};

int stopPipe[2] = {-1, -1};

extern "C" void onStopSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(stopPipe[1], &byte, 1);
}

bool installStopSignals() {
    if (::pipe2(stopPipe, O_NONBLOCK | O_CLOEXEC) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

// Writes "kx-sim: `text`" to stderr; gives `status`, 2 for a fault in the command line.
int report(const QString& text, int status = 1) {
    std::fprintf(stderr, "kx-sim: %s\n", qPrintable(text));
    return status;
}

int usageError(const QString& text) { return report(text, 2); }

// A whole number from `min` up, or nothing.
std::optional<int> wholeNumber(const QString& text, int min) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= min ? std::optional(value) : std::nullopt;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A simulated KX function generator on a pseudo-terminal."));
    parser.addHelpOption();
    for (const OptionRow& row : optionRows)
        parser.addOption({QLatin1String(row.name), QLatin1String(row.description),
                          QLatin1String(row.valueName), QLatin1String(row.defaultValue)});
    const auto isSet = [&](const char* name) { return parser.isSet(QLatin1String(name)); };
    const auto value = [&](const char* name) { return parser.value(QLatin1String(name)); };
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (isSet("help"))
        parser.showHelp(0);
    if (!parser.positionalArguments().isEmpty())
        return usageError(
            QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));

    const kxsim::ModelProfile* profile = kxsim::findProfile(value("model").toUpper());
    if (!profile)
        return usageError(QStringLiteral("unknown model %1").arg(value("model")));

    std::optional<int> port;
    if (isSet("port")) {
        port = wholeNumber(value("port"), kx::PortMap::firstPort);
        if (!port || *port > kx::PortMap::lastPort)
            return usageError(QStringLiteral("--port takes a number from 1 to 16"));
    }

    kxsim::ServerOptions options;
    const auto latency = wholeNumber(value("latency"), 0);
    if (!latency)
        return usageError(QStringLiteral("--latency takes a number of milliseconds"));
    options.latencyMs = *latency;

    const QString fault = value("fault").toLower();
    for (const auto& [word, named] : faultWords) {
        if (fault == QLatin1String(word))
            options.fault = named;
    }
    if (isSet("fault") && options.fault == kxsim::Fault::None)
        return usageError(QStringLiteral("unknown fault %1").arg(value("fault")));

    if (isSet("hangup-after")) {
        if (isSet("fault") && options.fault != kxsim::Fault::HangUp)
            return usageError(
                QStringLiteral("--hangup-after cannot go with --fault %1").arg(fault));
        options.fault = kxsim::Fault::HangUp;
    }
    if (options.fault == kxsim::Fault::HangUp) {
        const auto lines = wholeNumber(value(isSet("hangup-after") ? "hangup-after" : "after"), 1);
        if (!lines)
            return usageError(QStringLiteral("the hang-up fault needs a number of lines, 1 or more "
                                             "(--after N or --hangup-after N)"));
        options.hangUpAfter = *lines;
    } else if (isSet("after")) {
        return usageError(QStringLiteral("--after goes with --fault hangup"));
    }

    if (isSet("log")) {
        const QString name = value("log");
        options.log = name == QLatin1String("-") ? stderr : std::fopen(qPrintable(name), "a");
        if (!options.log) {
            std::perror(qPrintable(QStringLiteral("kx-sim: %1").arg(name)));
            return 1;
        }
    }

    kxsim::Generator generator(*profile);
    if (isSet("crlf"))
        generator.setLineEnd("\r\n");
    generator.setLowerCaseExponent(options.fault == kxsim::Fault::LowerCaseE);
    generator.setEcho(options.fault == kxsim::Fault::Echo);
    generator.setLenient(isSet("lenient"));

    if (!installStopSignals()) {
        std::perror("kx-sim: pipe");
        return 1;
    }

    kxsim::PtyServer server(generator, options);
    kxsim::PortLink link;
    QString error;
    if (!server.open(&error) || (port && !link.create(*port, server.slavePath(), &error)))
        return report(error);

    QString started = QStringLiteral("kx-sim: %1 on %2").arg(profile->name, server.slavePath());
    if (port)
        started += QStringLiteral(" as port %1 (%2)").arg(*port).arg(link.path());
    std::printf("%s\n", qPrintable(started));
    std::fflush(stdout);

    using End = kxsim::PtyServer::End;
    const End end = server.run(stopPipe[0]);
    if (end == End::HungUp)
        report(QStringLiteral("hung up after %1 lines").arg(generator.receivedCount()));
    if (end == End::Failed)
        report(QStringLiteral("the pseudo-terminal failed"));
    // However it ended: how many lines the strict reading rejected.
    const qint64 rejected = generator.rejectedCount();
    report(QStringLiteral("%1 %2 rejected").arg(rejected).arg(rejected == 1 ? "line" : "lines"));
    return end == End::Failed ? 1 : 0; // the log, if a file, is closed on the way out
}
