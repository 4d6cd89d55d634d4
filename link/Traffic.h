#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTime>

#include <deque>

namespace kx {

// Every line the exchange sends and everything it receives, as it happens, for the
// operator to look at: the newest `capacity` entries. The opening and the closing of
// the port are entries too, so one session's lines stand apart from the next's. Keeping
// it costs the exchange nothing it waits for, so looking at it changes no timing.
//
// Each entry has a serial number, counted from the first entry ever added and never
// reused: an entry keeps it while older ones are dropped from the front, so a reader
// can tell what is new since it last looked.
class Traffic : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t capacity = 10000;
    // The most bytes a received entry holds (the LF of its CR LF aside): text without a
    // line end by then goes on in a new entry, so the record stays bounded whatever
    // comes down the line.
    static constexpr qsizetype longestEntry = 256;

    struct Entry {
        // Opened and Closed are the port's, not the line's: where a session begins and
        // ends.
        enum class Direction { Sent, Received, Opened, Closed };
        qint64 ms; // since the port was opened
        Direction direction;
        // As on the line, the CR of a sent line included; for Opened and Closed the
        // device's name in UTF-8.
        QByteArray bytes;
        bool unanswered = false; // a query that got no answer in time
        QTime at = {};           // Opened and Closed: the time on the local clock
        QString from = {};       // another program sharing the port, by whom it was sent
    };

    using QObject::QObject;

    // The port was opened at `nowMs`: times count from here.
    void start(qint64 nowMs) { start_ = nowMs; }
    // The port to `device` was opened at `nowMs`, `wallMs` on the wall clock (ms since
    // the epoch): an entry says so, and times count from here.
    void opened(qint64 nowMs, qint64 wallMs, const QString& device);
    // The port opened last was closed (or lost); nothing when none is open.
    void closed(qint64 nowMs, qint64 wallMs);
    void sent(qint64 nowMs, const QByteArray& line);
    // Text as it arrives; it joins the previous entry until a line end closes that one.
    void received(qint64 nowMs, const QByteArray& text);
    // The last query sent got no answer.
    void unanswered();
    // Another program sharing the port sent `line` and the generator answered `answer`
    // (empty: none): both are entries, marked with `client`.
    void heard(qint64 nowMs, const QString& client, const QString& line, const QString& answer);

    const std::deque<Entry>& entries() const { return entries_; }
    // The serial number of entries().front(), and the one the next entry will have.
    quint64 firstSerial() const { return end_ - entries_.size(); }
    quint64 endSerial() const { return end_; }
    void clear();

    // One entry as a line of plain text: "   123 ms  >  FREQ?<CR>  (no answer)", another
    // program's "   123 ms  >  FREQ 2KHZ<CR>  [kx-ctl (pid 4242)]", or
    // "--- /dev/ttyS2 opened at 14:03:12 ---" and "--- /dev/ttyS2 closed at 14:05:40 ---".
    static QString format(const Entry& e);
    // Bytes with the invisible made visible: <CR>, <LF>, others as <0x1b>.
    static QString visible(const QByteArray& bytes);
    // Every entry, one a line.
    QString plainText() const;

signals:
    // An entry was added, or the last one grew or was marked.
    void changed();
    // The entry numbered `serial` grew or was marked (changed() follows).
    void entryChanged(quint64 serial);

private:
    void add(Entry e);

    qint64 start_ = 0;
    QString device_; // the port open now; empty when none is
    std::deque<Entry> entries_;
    quint64 end_ = 0;
};

} // namespace kx
