// kx-server: holds one generator's port and shares it with the panel and kx-ctl on this
// computer (server/Local.h) and, when asked to listen, with the lab network.

#include "link/Clock.h"
#include "link/PortMap.h"
#include "server/Local.h"
#include "server/Log.h"
#include "server/Scpi.h"
#include "server/Station.h"
#include "share/Places.h"
#include "state/Refusals.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

enum Status { Done = 0, Usage = 2, Link = 3, NoAnswer = 4 };

const char* const usageText =
    "Usage: kx-server (-p N | -d DEVICE) [--listen [ADDRESS:]PORT] [--allow ADDRESS[/BITS]]...\n"
    "                 [--lock-timeout SECONDS] [--max-clients N]\n"
    "Holds a KX function generator's serial port and shares it: kx-panel's Connect and\n"
    "kx-ctl on the same port go through the server, one operation at a time.\n"
    "\n"
    "Options:\n"
    "  -p N                port N (1-16) as the panel numbers it\n"
    "  -d DEVICE           the serial device itself\n"
    "  --listen [ADDRESS:]PORT  also take SCPI text from the network on PORT (5025 by\n"
    "                      convention), on ADDRESS or else on the loopback address only\n"
    "  --allow ADDRESS[/BITS]   take network clients from these addresses only\n"
    "                      (repeatable)\n"
    "  --lock-timeout SECONDS   a network client's lock is released after this long\n"
    "                      without a line from it (default 60)\n"
    "  --max-clients N     at most N clients at once (default 8)\n"
    "  -h, --help          this text\n"
    "  --version           the version\n"
    "\n"
    "Exit status: 0 stopped by SIGINT, SIGTERM or SIGHUP; 2 usage; 3 the port cannot be\n"
    "opened, another kx-server holds it, or the generator was lost; 4 the generator did\n"
    "not identify itself.\n";

struct Options {
    QString device;
    QString portName;
    std::optional<kxserver::ListenAt> listen;
    QList<kxserver::Subnet> allowed;
    int lockTimeoutMs = 60000;
    int maxClients = 8;
};

int usage(const QString& problem) {
    std::fprintf(stderr, "kx-server: %s\nTry kx-server --help.\n", qPrintable(problem));
    return Usage;
}

// A whole number from `lowest` to `highest`, in plain digits.
bool parseCount(const QString& text, int lowest, int highest, int* value) {
    const int n = text.toInt();
    if (n < lowest || n > highest || text != QString::number(n))
        return false;
    *value = n;
    return true;
}

// Returns -1 when the options are good, else the exit status (help and version: 0).
int parse(const QStringList& arguments, Options* o) {
    QString port;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            std::fputs(usageText, stdout);
            return Done;
        }
        if (a == QLatin1String("--version")) {
            std::puts("kx-server " KX_VERSION);
            return Done;
        }
        static const QStringList takesValue = {
            "-p", "-d", "--listen", "--allow", "--lock-timeout", "--max-clients"};
        if (!takesValue.contains(a))
            return usage(QStringLiteral("unknown option or word %1").arg(a));
        if (i + 1 >= arguments.size())
            return usage(QStringLiteral("%1 needs a value").arg(a));
        const QString value = arguments[++i];
        if (a == QLatin1String("-p") || a == QLatin1String("-d")) {
            if (!port.isEmpty())
                return usage(QStringLiteral("give one port: -p N or -d DEVICE"));
            port = a;
            if (a == QLatin1String("-d")) {
                o->device = o->portName = value;
                continue;
            }
            int n = 0;
            if (!parseCount(value, kx::PortMap::firstPort, kx::PortMap::lastPort, &n))
                return usage(
                    QStringLiteral("the port is a number from 1 to 16, not %1").arg(value));
            const kx::PortMap map;
            o->device = map.device(n);
            o->portName = map.name(n);
        } else if (a == QLatin1String("--listen")) {
            QString why;
            o->listen = kxserver::parseListen(value, &why);
            if (!o->listen)
                return usage(QStringLiteral("--listen %1: %2").arg(value, why));
        } else if (a == QLatin1String("--allow")) {
            QString why;
            const std::optional<kxserver::Subnet> subnet = kxserver::parseAllow(value, &why);
            if (!subnet)
                return usage(QStringLiteral("--allow %1: %2").arg(value, why));
            o->allowed << *subnet;
        } else if (a == QLatin1String("--lock-timeout")) {
            int seconds = 0;
            if (!parseCount(value, 1, 86400, &seconds))
                return usage(
                    QStringLiteral("--lock-timeout takes 1 to 86400 seconds, not %1").arg(value));
            o->lockTimeoutMs = seconds * 1000;
        } else if (!parseCount(value, 1, 1000, &o->maxClients)) {
            return usage(QStringLiteral("--max-clients takes 1 to 1000, not %1").arg(value));
        }
    }
    if (port.isEmpty())
        return usage(QStringLiteral("no port given: -p N or -d DEVICE"));
    return -1;
}

// SIGINT, SIGTERM and SIGHUP write their number here; the event loop reads it.
int stopPipe[2] = {-1, -1};

void onStopSignal(int signal) {
    const int saved = errno;
    const auto n = static_cast<unsigned char>(signal);
    if (::write(stopPipe[1], &n, 1) < 0) {
        // The pipe is full: a signal is already waiting there.
    }
    errno = saved;
}

template <typename Stop> void watchStopSignals(QObject* owner, Stop stop) {
    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(stopPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [stop] {
        unsigned char n = 0;
        int signal = 0;
        while (::read(stopPipe[0], &n, 1) == 1)
            signal = signal ? signal : n;
        if (signal)
            stop(signal);
    });
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

} // namespace

int main(int argc, char* argv[]) {
    // A client gone mid-write is a closed connection, not the server's end.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    Options options;
    if (const int status = parse(QCoreApplication::arguments().mid(1), &options); status >= 0)
        return status;

    QString why;
    const QString socket = kx::socketPath(options.device, &why);
    if (socket.isEmpty()) {
        std::fprintf(stderr, "kx-server: no folder for the local socket: %s\n", qPrintable(why));
        return Link;
    }
    kx::QtSerialPort device;
    kx::RealClock clock;
    kxserver::Station station(device, clock);
    station.setLockTimeout(options.lockTimeoutMs);
    kxserver::Local local(station, options.maxClients);
    // Before the port: a server that holds it already is the clearer answer than "in use".
    if (!local.listen(socket, &why)) {
        std::fprintf(stderr, "kx-server: %s: %s\n", qPrintable(options.portName), qPrintable(why));
        return Link;
    }
    if (!station.open(options.device, &why)) {
        local.shutdown(QStringLiteral("the port cannot be opened"));
        if (station.openError() != kx::PortError::None) {
            std::fprintf(
                stderr, "kx-server: %s\n",
                qPrintable(
                    kx::openRefusal(station.openError(), options.device).about(options.portName)));
            return Link;
        }
        std::fprintf(stderr, "kx-server: %s: %s\n", qPrintable(options.portName), qPrintable(why));
        return NoAnswer;
    }

    // The network, only when asked for.
    kxserver::ScpiServer network(
        station, {options.allowed, options.maxClients, 10000, options.lockTimeoutMs});
    if (options.listen && !network.listen(options.listen->address, options.listen->port, &why)) {
        std::fprintf(stderr, "kx-server: --listen: %s\n", qPrintable(why));
        local.shutdown(why);
        station.close();
        return Usage;
    }

    kxserver::log(
        QStringLiteral("kx-server %1: %2 on %3; local socket %4")
            .arg(QStringLiteral(KX_VERSION), station.vars().modelName, options.portName, socket));
    QObject::connect(
        &station, &kxserver::Station::lockChanged, &app,
        [&station](kxserver::ClientId holder, const QString& why) {
            kxserver::log(
                holder ? QStringLiteral("lock taken by %1 (%2)").arg(station.nameOf(holder), why)
                       : QStringLiteral("lock free: %1").arg(why));
        });
    int status = Done;
    const auto stop = [&](const QString& why, int exitStatus) {
        if (station.link().isShutDown())
            return;
        kxserver::log(QStringLiteral("stopping: %1").arg(why));
        status = exitStatus;
        network.closeAll(why);
        local.shutdown(why);
        station.shutdown();
        station.close();
        QCoreApplication::exit(exitStatus);
    };
    QObject::connect(&station, &kxserver::Station::lost, &app, [&] {
        local.portLost();
        stop(QStringLiteral("the connection to the generator was lost"), Link);
    });
    watchStopSignals(&app, [&](int signal) {
        stop(QStringLiteral("signal %1 (%2)")
                 .arg(signal)
                 .arg(QString::fromLocal8Bit(::strsignal(signal))),
             Done);
    });
    app.exec();
    return status;
}
