#include "link/Traffic.h"

namespace kx {

void Traffic::add(Entry e) {
    entries_.push_back(std::move(e));
    while (entries_.size() > capacity)
        entries_.pop_front();
    emit changed();
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
            emit changed();
        } else {
            add({nowMs - start_, Entry::Direction::Received, piece, false});
        }
    }
}

void Traffic::unanswered() {
    for (auto e = entries_.rbegin(); e != entries_.rend(); ++e) {
        if (e->direction == Entry::Direction::Sent) {
            e->unanswered = true;
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

QString Traffic::format(const Entry& e) {
    QString line =
        QStringLiteral("%1 ms  %2  %3")
            .arg(e.ms, 8)
            .arg(e.direction == Entry::Direction::Sent ? QLatin1Char('>') : QLatin1Char('<'))
            .arg(visible(e.bytes));
    if (e.unanswered)
        line += QLatin1String("  (no answer)");
    return line;
}

QString Traffic::plainText() const {
    QString text;
    for (const Entry& e : entries_)
        text += format(e) + QLatin1Char('\n');
    return text;
}

} // namespace kx
