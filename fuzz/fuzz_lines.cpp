// Fuzzes the network server's line reader (server/Scpi.h, LineReader).
//
// The first byte of the input sets the bound on lines a second (1 to 64); the rest are
// the bytes a client sends. They are read three ways: all at once, one byte at a time
// (both at one moment, so the bound counts every line), and one byte at a time with a
// second between lines (so the bound never does). Each must give what a model written
// here gives: the input cut at each LF, a CR right before the LF dropped, blank lines
// left out; the first byte outside printable ASCII (a CR not before an LF included) or
// past the 256th of a line, or the LF of one line too many, ends the reading.
#include "FuzzCheck.h"
#include "server/Scpi.h"

#include <QByteArray>
#include <QList>

#include <cstddef>
#include <cstdint>

namespace {

using Violation = kxserver::LineReader::Violation;

struct Read {
    QList<QByteArray> lines;
    Violation violation = Violation::None;
};

bool printable(char c) { return c >= 0x20 && c <= 0x7e; }

Read model(const QByteArray& bytes, int bound) {
    Read r;
    const QList<QByteArray> parts = bytes.split('\n');
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const bool whole = i + 1 < parts.size();
        // A CR at the end waits for its LF: a violation only once something else follows.
        const QByteArray body = parts[i].endsWith('\r') ? parts[i].chopped(1) : parts[i];
        for (qsizetype k = 0; k < body.size(); ++k) {
            if (!printable(body[k])) {
                r.violation = Violation::BadByte;
                return r;
            }
            if (k == kxserver::LineReader::maxLineBytes) {
                r.violation = Violation::TooLong;
                return r;
            }
        }
        if (!whole)
            break;
        if (i + 1 > bound) {
            r.violation = Violation::TooFast;
            return r;
        }
        if (body.count(' ') != body.size())
            r.lines << body;
    }
    return r;
}

Read readAtOnce(const QByteArray& bytes, int bound) {
    kxserver::LineReader reader(bound);
    Read r;
    r.violation = reader.take(bytes, 5000, &r.lines);
    KX_FUZZ_CHECK(r.violation == reader.violation());
    // After a violation nothing more is read.
    if (r.violation != Violation::None) {
        QList<QByteArray> more;
        KX_FUZZ_CHECK(reader.take("*IDN?\n", 5000, &more) == r.violation && more.isEmpty());
    }
    return r;
}

Read readByByte(const QByteArray& bytes, int bound, qint64 msBetweenLines) {
    kxserver::LineReader reader(bound);
    Read r;
    qint64 now = 1000;
    for (const char c : bytes) {
        r.violation = reader.take(QByteArray(1, c), now, &r.lines);
        if (c == '\n')
            now += msBetweenLines;
    }
    return r;
}

void check(const Read& got, const Read& expected) {
    KX_FUZZ_CHECK(got.violation == expected.violation);
    KX_FUZZ_CHECK(got.lines == expected.lines);
    for (const QByteArray& line : got.lines) {
        KX_FUZZ_CHECK(!line.isEmpty() && line.size() <= kxserver::LineReader::maxLineBytes);
        for (const char c : line)
            KX_FUZZ_CHECK(printable(c));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int bound = 1 + data[0] % 64;
    const QByteArray bytes(reinterpret_cast<const char*>(data) + 1,
                           static_cast<qsizetype>(size - 1));
    const Read expected = model(bytes, bound);
    check(readAtOnce(bytes, bound), expected);
    check(readByByte(bytes, bound, 0), expected);
    check(readByByte(bytes, bound, 1000), model(bytes, int(bytes.size()) + 1));
    return 0;
}
