#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <deque>

namespace kx {

// Every line the exchange sends and everything it receives, as it happens, for the
// operator to look at: the newest `capacity` entries. Keeping it costs the exchange
// nothing it waits for, so looking at it changes no timing.
class Traffic : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t capacity = 10000;
    // The most bytes a received entry holds (the LF of its CR LF aside): text without a
    // line end by then goes on in a new entry, so the record stays bounded whatever
    // comes down the line.
    static constexpr qsizetype longestEntry = 256;

    struct Entry {
        enum class Direction { Sent, Received };
        qint64 ms; // since the port was opened
        Direction direction;
        QByteArray bytes;        // as on the line, the CR of a sent line included
        bool unanswered = false; // a query that got no answer in time
    };

    using QObject::QObject;

    // The port was opened at `nowMs`: times count from here.
    void start(qint64 nowMs) { start_ = nowMs; }
    void sent(qint64 nowMs, const QByteArray& line);
    // Text as it arrives; it joins the previous entry until a line end closes that one.
    void received(qint64 nowMs, const QByteArray& text);
    // The last query sent got no answer.
    void unanswered();

    const std::deque<Entry>& entries() const { return entries_; }
    void clear();

    // One entry as a line of plain text: "   123 ms  >  FREQ?<CR>  (no answer)".
    static QString format(const Entry& e);
    // Bytes with the invisible made visible: <CR>, <LF>, others as <0x1b>.
    static QString visible(const QByteArray& bytes);
    // Every entry, one a line.
    QString plainText() const;

signals:
    // An entry was added, or the last one grew or was marked.
    void changed();

private:
    void add(Entry e);

    qint64 start_ = 0;
    std::deque<Entry> entries_;
};

} // namespace kx
