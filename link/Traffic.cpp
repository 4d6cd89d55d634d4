#include "link/Traffic.h"

#include <QDateTime>

#include <utility>

namespace kx {

namespace {

QTime localTime(qint64 wallMs) { return QDateTime::fromMSecsSinceEpoch(wallMs).time(); }

} // namespace

void Traffic::add(Entry e) {
    entries_.push_back(std::move(e));
    ++end_;
    while (entries_.size() > capacity)
        entries_.pop_front();
    emit changed();
}

void Traffic::opened(qint64 nowMs, qint64 wallMs, const QString& device) {
    start(nowMs);
    device_ = device;
    add({0, Entry::Direction::Opened, device.toUtf8(), false, localTime(wallMs)});
}

void Traffic::closed(qint64 nowMs, qint64 wallMs) {
    if (device_.isEmpty())
        return;
    add({nowMs - start_, Entry::Direction::Closed, std::exchange(device_, {}).toUtf8(), false,
         localTime(wallMs)});
}

void Traffic::sent(qint64 nowMs, const QByteArray& line) {
    add({nowMs - start_, Entry::Direction::Sent, line, false});
}

void Traffic::received(qint64 nowMs, const QByteArray& text) {
    qsizetype from = 0;
    while (from < text.size()) {
        // A line ends at its CR, or at the LF of a CR LF.
        qsizetype end = text.indexOf('\r', from);
        end = end < 0 ? text.size() : end + 1;
        if (end < text.size() && text.at(end) == '\n')
            ++end;
        const bool lineFeed = end - from == 1 && text.at(from) == '\n';
        bool joinsLast = !entries_.empty() &&
                         entries_.back().direction == Entry::Direction::Received &&
                         (!entries_.back().bytes.endsWith('\r') || lineFeed) &&
                         !entries_.back().bytes.endsWith('\n');
        // A full entry takes no more than the LF of its CR LF; the rest goes on in the
        // next one.
        if (!lineFeed) {
            if (joinsLast && entries_.back().bytes.size() >= longestEntry)
                joinsLast = false;
            const qsizetype cut =
                from + longestEntry - (joinsLast ? entries_.back().bytes.size() : 0);
            if (end > cut && text.at(cut - 1) != '\r')
                end = cut;
        }
        const QByteArray piece = text.mid(from, end - from);
        from = end;
        if (joinsLast) {
            entries_.back().bytes += piece;
            emit entryChanged(end_ - 1);
            emit changed();
        } else {
            add({nowMs - start_, Entry::Direction::Received, piece, false});
        }
    }
}

void Traffic::unanswered() {
    quint64 serial = end_;
    for (auto e = entries_.rbegin(); e != entries_.rend(); ++e) {
        --serial;
        if (e->direction == Entry::Direction::Sent) {
            e->unanswered = true;
            emit entryChanged(serial);
            emit changed();
            return;
        }
    }
}

void Traffic::clear() {
    entries_.clear();
    emit changed();
}

QString Traffic::visible(const QByteArray& bytes) {
    QString s;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r')
            s += QLatin1String("<CR>");
        else if (c == '\n')
            s += QLatin1String("<LF>");
        else if (u < 0x20 || u >= 0x7f)
            s += QStringLiteral("<0x%1>").arg(u, 2, 16, QLatin1Char('0'));
        else
            s += QLatin1Char(c);
    }
    return s;
}

void Traffic::heard(qint64 nowMs, const QString& client, const QString& line,
                    const QString& answer) {
    const qint64 ms = nowMs - start_;
    // As bounded as the exchange's own entries, whatever the other program sent.
    add({ms,
         Entry::Direction::Sent,
         line.toLatin1().left(longestEntry) + '\r',
         false,
         {},
         client.left(longestEntry)});
    if (!answer.isEmpty())
        add({ms,
             Entry::Direction::Received,
             answer.toLatin1().left(longestEntry) + '\r',
             false,
             {},
             client.left(longestEntry)});
}

QString Traffic::format(const Entry& e) {
    if (e.direction == Entry::Direction::Opened || e.direction == Entry::Direction::Closed)
        return QStringLiteral("--- %1 %2 at %3 ---")
            .arg(QString::fromUtf8(e.bytes),
                 e.direction == Entry::Direction::Opened ? QLatin1String("opened")
                                                         : QLatin1String("closed"),
                 e.at.toString(QStringLiteral("HH:mm:ss")));
    QString line =
        QStringLiteral("%1 ms  %2  %3")
            .arg(e.ms, 8)
            .arg(e.direction == Entry::Direction::Sent ? QLatin1Char('>') : QLatin1Char('<'))
            .arg(visible(e.bytes));
    if (e.unanswered)
        line += QLatin1String("  (no answer)");
    if (!e.from.isEmpty())
        line += QStringLiteral("  [%1]").arg(e.from);
    return line;
}

QString Traffic::plainText() const {
    QString text;
    for (const Entry& e : entries_)
        text += format(e) + QLatin1Char('\n');
    return text;
}

} // namespace kx
