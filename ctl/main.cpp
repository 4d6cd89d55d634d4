#include "ctl/Ctl.h"
#include "link/Clock.h"
#include "link/SerialPort.h"
#include "share/SharedPort.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTextStream>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

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

void takeStops(kxctl::Stop& stop) {
    unsigned char n = 0;
    while (::read(stopPipe[0], &n, 1) == 1)
        stop.request(n);
}

void watchStopSignals(kxctl::Stop& stop) {
    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(stopPipe[0], QSocketNotifier::Read, &stop);
    QObject::connect(notifier, &QSocketNotifier::activated, &stop, [&stop] { takeStops(stop); });
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

// Standard input to its end, or up to a stop signal.
std::optional<QByteArray> readStandardInput(kxctl::Stop& stop) {
    QByteArray all;
    char buffer[4096];
    for (;;) {
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
        if (::poll(fds, stopPipe[0] < 0 ? 1 : 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return std::nullopt;
        }
        if (fds[1].revents & POLLIN) {
            takeStops(stop);
            return all;
        }
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            return all;
        all.append(buffer, n);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    // A closed pipe on standard output is a write that fails, reported as such, rather
    // than an end between two lines to the generator.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    kxctl::Stop stop;
    watchStopSignals(stop);
    // Through the kx-server that holds the device, when one does.
    kx::SharedPort port;
    kx::RealClock clock;
    QTextStream out(stdout);
    QTextStream err(stderr);
    kxctl::Environment env{port, clock, out, err};
    env.stop = &stop;
    env.read = [&stop](const QString& name) -> std::optional<QByteArray> {
        if (name == QLatin1String("-"))
            return readStandardInput(stop);
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return file.readAll();
    };
    env.write = [](const QString& name, const QByteArray& text) {
        QSaveFile file(name);
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
    };
    env.progress = ::isatty(STDERR_FILENO) == 1;
    return kxctl::run(QCoreApplication::arguments().mid(1), env);
}
