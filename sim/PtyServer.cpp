#include "sim/PtyServer.h"

#include "link/PortMap.h"
#include "sim/Generator.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace kxsim {

namespace {

qint64 monotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString systemError(const char* what) {
    return QLatin1String(what) + QStringLiteral(": ") + QString::fromLocal8Bit(strerror(errno));
}

// Sets `error` to `why` and gives false.
bool refuse(QString* error, const QString& why) {
    *error = why;
    return false;
}

// Where a symbolic link points, as written in it; empty when it cannot be read.
QByteArray readLink(const QByteArray& link) {
    char pointed[4096];
    const ssize_t length = ::readlink(link.constData(), pointed, sizeof pointed);
    return length > 0 ? QByteArray(pointed, length) : QByteArray();
}

// Waits on `stopFd` alone; true when it became readable.
bool stopWithin(int stopFd, int ms) {
    pollfd fd{stopFd, POLLIN, 0};
    return ::poll(&fd, 1, ms) > 0 && (fd.revents & POLLIN);
}

} // namespace

bool PtyServer::open(QString* error) {
    const auto fail = [&](const char* what) {
        *error = systemError(what); // before close() changes errno
        close();
        return false;
    };
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0)
        return fail("posix_openpt");
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        return fail("grantpt/unlockpt");
    const char* name = ::ptsname(master_);
    if (!name)
        return fail("ptsname");
    slavePath_ = QString::fromLocal8Bit(name);

    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0)
        return fail("open slave");
    termios tio{};
    if (::tcgetattr(slave_, &tio) != 0)
        return fail("tcgetattr");
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    ::cfsetspeed(&tio, B115200);
    if (::tcsetattr(slave_, TCSANOW, &tio) != 0)
        return fail("tcsetattr");
    return true;
}

void PtyServer::close() {
    if (master_ >= 0)
        ::close(std::exchange(master_, -1));
    if (slave_ >= 0)
        ::close(std::exchange(slave_, -1));
}

void PtyServer::logLine(const char* direction, const QByteArray& line) {
    if (!options_.log)
        return;
    const QByteArray stamp = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toLatin1();
    std::fprintf(options_.log, "%s %s %s\n", stamp.constData(), direction,
                 Generator::visible(line).constData());
    std::fflush(options_.log);
}

void PtyServer::takeInput(const QByteArray& bytes, qint64 nowMs) {
    const int delay = options_.latencyMs + (options_.fault == Fault::Late ? lateAnswerMs : 0);
    // One CR-ended piece at a time, so that the hang-up comes after exactly N lines.
    qsizetype start = 0;
    while (start < bytes.size() && !hangUpDue_) {
        const qsizetype cr = bytes.indexOf('\r', start);
        const qsizetype end = cr < 0 ? bytes.size() : cr + 1;
        for (const Generator::Reply& reply : generator_.take(bytes.mid(start, end - start))) {
            using enum Generator::Outcome;
            QByteArray note;
            if (reply.outcome == Ignored)
                note = "   (ignored)";
            if (reply.outcome == Rejected)
                note = "   (rejected: " + reply.reason + ")";
            if (reply.outcome != Blank)
                logLine("<", generator_.received().last() + note);
            // The echo goes out at once; an answer due later still goes first.
            if (!reply.echo.isEmpty())
                pending_.push_back({nowMs, reply.echo, true});
            if (reply.answer && options_.fault != Fault::Silent)
                pending_.push_back({nowMs + delay, *reply.answer + generator_.lineEnd()});
        }
        if (options_.fault == Fault::HangUp && generator_.receivedCount() >= options_.hangUpAfter)
            hangUpDue_ = true;
        start = end;
    }
}

void PtyServer::writeDue(qint64 nowMs) {
    while (!pending_.empty() && pending_.front().dueMs <= nowMs) {
        Pending& front = pending_.front();
        const ssize_t written =
            ::write(master_, front.bytes.constData() + front.sent, front.bytes.size() - front.sent);
        if (written < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                return;           // the client's side is full: try again when there is room
            pending_.pop_front(); // nobody on the line: the answer is lost, as on a cable
            continue;
        }
        front.sent += written;
        if (front.sent < front.bytes.size())
            return; // the rest when there is room
        // Logged once it has gone out whole, without its line end.
        logLine(">",
                front.bytes.left(front.bytes.lastIndexOf('\r')) + (front.echo ? "   (echo)" : ""));
        pending_.pop_front();
    }
}

PtyServer::End PtyServer::run(int stopFd) {
    char buffer[1024];
    for (;;) {
        const qint64 now = monotonicMs();
        writeDue(now);
        if (hangUpDue_ && pending_.empty()) {
            // Give the last answer time to reach the client's side before the line goes.
            if (stopWithin(stopFd, 100))
                return End::Stopped;
            close();
            return End::HungUp;
        }

        int timeoutMs = -1;
        short masterEvents = hangUpDue_ ? 0 : POLLIN;
        if (!pending_.empty()) {
            const qint64 wait = pending_.front().dueMs - now;
            if (wait > 0)
                timeoutMs = static_cast<int>(wait);
            else
                masterEvents |= POLLOUT; // due but blocked
        }
        pollfd fds[2] = {{stopFd, POLLIN, 0}, {master_, masterEvents, 0}};
        const int ready = ::poll(fds, 2, timeoutMs);
        if (ready < 0 && errno != EINTR)
            return End::Failed;
        if (ready <= 0) // the time is up, or a signal came
            continue;
        if (fds[0].revents & POLLIN)
            return End::Stopped;
        const short events = fds[1].revents;
        if (events & POLLNVAL)
            return End::Failed;
        if (events & POLLIN) {
            const ssize_t got = ::read(master_, buffer, sizeof buffer);
            if (got > 0) {
                takeInput(QByteArray(buffer, got), monotonicMs());
                continue;
            }
            if (got < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
        }
        // EIO or a hang-up: no slave side open. The slave held here should prevent it; if
        // it happens anyway, wait for a client instead of giving up.
        if ((events & (POLLIN | POLLHUP | POLLERR)) && stopWithin(stopFd, 100))
            return End::Stopped;
    }
}

bool PortLink::create(int port, const QString& target, QString* error) {
    if (port < kx::PortMap::firstPort || port > kx::PortMap::lastPort)
        return refuse(error, QStringLiteral("port %1 is outside %2..%3")
                                 .arg(port)
                                 .arg(kx::PortMap::firstPort)
                                 .arg(kx::PortMap::lastPort));
    const QString dir = kx::PortMap().linkFolder();
    if (!QDir().mkpath(dir))
        return refuse(error, QStringLiteral("cannot create the folder %1").arg(dir));
    const QString link = dir + QStringLiteral("/com%1").arg(port);
    const QByteArray linkName = QFile::encodeName(link);
    const QByteArray targetName = QFile::encodeName(target);

    struct stat info {};
    if (::lstat(linkName.constData(), &info) == 0) {
        if (!S_ISLNK(info.st_mode))
            return refuse(error, QStringLiteral("%1 exists and is not a symbolic link").arg(link));
        const QByteArray old = readLink(linkName);
        if (QFileInfo::exists(link) && old != targetName) // a live link to another device
            return refuse(error, QStringLiteral("%1 points at %2, which exists; port %3 is in use")
                                     .arg(link, QFile::decodeName(old))
                                     .arg(port));
        if (::unlink(linkName.constData()) != 0 && errno != ENOENT)
            return refuse(error, systemError("unlink"));
    } else if (errno != ENOENT) {
        return refuse(error, systemError("lstat"));
    }
    if (::symlink(targetName.constData(), linkName.constData()) != 0)
        return refuse(error, errno == EEXIST
                                 ? QStringLiteral("%1 was created by someone else").arg(link)
                                 : systemError("symlink"));
    path_ = link;
    target_ = targetName;
    return true;
}

PortLink::~PortLink() {
    if (path_.isEmpty())
        return;
    const QByteArray linkName = QFile::encodeName(path_);
    // Leave a link that someone has since pointed elsewhere.
    if (readLink(linkName) == target_)
        ::unlink(linkName.constData());
}

} // namespace kxsim
