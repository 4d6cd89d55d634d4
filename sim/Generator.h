#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace kxsim {

// Everything a KX generator holds, in base units (Hz, V, s, percent).
struct Settings {
    QString function = QStringLiteral("SIN"); // SIN, SQU or TRI
    bool output = false;
    double frequency = 1000;
    double amplitude = 5;
    double offset = 0;
    double dutyCycle = 50;
    QString sweepType = QStringLiteral("LIN"); // LIN or LOG
    bool sweepOn = false;
    double sweepStart = 100;
    double sweepStop = 100000;
    double sweepRate = 1;
    QString modKind = QStringLiteral("AM");    // AM or FM
    QString modSource = QStringLiteral("INT"); // INT or EXT
    bool modOn = false;
    QString modShape = QStringLiteral("SIN"); // SIN, SQU or TRI
    double modFrequency = 1000;
    double depth = 50;
    double deviation = 1000;
    QString mode = QStringLiteral("CONT"); // CONT, TRIG, GATE or BURS
    QString trigSource = QStringLiteral("INT");
    double trigRate = 0.001;

    bool operator==(const Settings&) const = default;
};

// The limits of one model: one table row per model, nothing scattered through the code.
struct ModelProfile {
    QString name;           // "KX12A", "KX20A", "KX25A"
    double maxSineSquareHz; // highest frequency for sine and square
    double maxRampHz;       // highest frequency for the ramp
    int memoryLocations;    // user locations 1..memoryLocations; 0 is the factory set-up
    QList<QString> modShapes;
};

// The profile of a model name, or nullptr for a name that is not a KX model.
const ModelProfile* findProfile(const QString& model);
const QList<ModelProfile>& profiles();

// A simulated KX generator: takes command lines, keeps every setting, answers queries.
// Lines it does not know, and values outside its limits, are ignored.
//
// It is strict by default: a line that holds a control character (below 0x20, or 0x7F)
// or a byte outside printable ASCII (0x80..0xFF), or whose number lacks the unit its
// command needs (FREQ, SWSTA, SWSTO, DEV: HZ/KHZ/MHZ; MODFR: HZ/KHZ; SWRA: S; TRIG n:
// US/MS/S), is rejected: not carried out, not answered, counted and kept in rejected().
// Lenient, it rejects nothing: a bare number is in the base unit (Hz, s), and bytes are
// not checked (blanks and control characters at either end of a line are trimmed, a TAB
// parts keyword and argument, and anything else odd inside a line usually leaves it
// unknown, so ignored).
class Generator {
public:
    explicit Generator(const ModelProfile& profile)
        : profile_(profile), memory_(profile.memoryLocations + 1) {}

    const ModelProfile& profile() const { return profile_; }
    const Settings& settings() const { return settings_; }
    Settings& settings() { return settings_; }

    // Carries out one command line (without its CR). Returns the answer, without a line
    // end, for a query it knows; nothing for anything else.
    std::optional<QByteArray> handleLine(const QByteArray& line) { return process(line).answer; }

    // The text that ends every answer: "\r" (the default) or "\r\n".
    void setLineEnd(const QByteArray& end) { lineEnd_ = end; }
    QByteArray lineEnd() const { return lineEnd_; }
    // A fault: numbers are written with a lower-case 'e'.
    void setLowerCaseExponent(bool on) { lowerE_ = on; }
    // A fault: every line taken off the line (by feed() or take(), blank lines included;
    // not an overlong one, which is dropped whole) is written back as received, followed
    // by the line end, before it is carried out and before its answer.
    void setEcho(bool on) { echo_ = on; }
    bool echo() const { return echo_; }
    // The lenient reading instead of the strict one (see above); off by default.
    void setLenient(bool on) { lenient_ = on; }
    bool lenient() const { return lenient_; }

    // What became of one line taken off the line.
    enum class Outcome {
        Blank,    // nothing but blanks: not a line at all
        Done,     // carried out, or answered
        Ignored,  // unknown, or a value outside the limits
        Rejected, // strict: a control character, a byte outside ASCII, a missing unit
    };
    struct Reply {
        QByteArray line;                  // as received, without its line end
        QByteArray echo;                  // with the echo fault: the line and the line end
        std::optional<QByteArray> answer; // the answer, without its line end
        Outcome outcome = Outcome::Blank;
        QByteArray reason; // why it was rejected
    };

    // Bytes as they come from the line: each CR ends a line (an LF right after a CR
    // belongs to that line end); complete lines are carried out, one reply each, and a
    // partial line is kept for the next bytes.
    QList<Reply> take(const QByteArray& bytes);
    // The same, as written back: each reply's echo, then its answer and the line end.
    QByteArray feed(const QByteArray& bytes);

    // The lines received most recently, in order: the last keptLines of them, so a
    // simulator that runs for days does not grow. Rejected lines are among them; a line
    // rejected for its bytes is kept as received, any other without blanks around it.
    static constexpr qsizetype keptLines = 1000;
    const QList<QByteArray>& received() const { return received_; }
    // How many lines have been received in all.
    qint64 receivedCount() const { return receivedCount_; }
    // Whether the last line was neither carried out nor answered (unknown, a value
    // outside the limits, or rejected).
    bool lastLineIgnored() const { return lastOutcome_ != Outcome::Done; }

    // A rejected line and why it was rejected.
    struct Rejection {
        QByteArray line;
        QByteArray reason;
        bool operator==(const Rejection&) const = default;
    };
    // The lines rejected most recently (the last keptLines), and how many in all.
    const QList<Rejection>& rejected() const { return rejected_; }
    qint64 rejectedCount() const { return rejectedCount_; }
    bool lastLineRejected() const { return lastOutcome_ == Outcome::Rejected; }

    // The query, known to no real instrument, that the simulator answers with
    // rejectedCount() as a whole number ("0").
    static constexpr const char* rejectedQuery = "SIM:REJ?";

    // A number as the generator writes it: a mantissa with five decimals and a
    // one-digit exponent, 2500 -> "2.50000E+3"; below 1e-9 in magnitude it is 0.
    QByteArray formatNumber(double value) const;

    // A line longer than this (without its CR) is dropped whole, not carried out.
    static constexpr qsizetype maxLineLength = 256;

    // Bytes as the simulator shows them in its log and in a rejection's reason: control
    // bytes and bytes outside ASCII as <0x0d>, the rest as they are.
    static QByteArray visible(const QByteArray& bytes);

private:
    Reply process(const QByteArray& line);
    bool applySetting(const QByteArray& keyword, const QByteArray& argument);
    std::optional<QByteArray> answerQuery(const QByteArray& keyword) const;
    bool recallOrSave(const QByteArray& keyword, const QByteArray& argument);

    const ModelProfile& profile_;
    Settings settings_;
    QList<Settings> memory_; // index 0 is the factory set-up
    QByteArray lineEnd_ = "\r";
    bool lowerE_ = false;
    bool echo_ = false;
    bool lenient_ = false;
    QByteArray pending_;
    bool discarding_ = false;             // inside an overlong line, up to its CR
    bool afterCr_ = false;                // the last byte taken was a CR
    Outcome lastOutcome_ = Outcome::Done; // of the last line that was not blank
    QByteArray missingUnit_;              // set by applySetting: why a bare number is rejected
    QList<QByteArray> received_;
    qint64 receivedCount_ = 0;
    QList<Rejection> rejected_;
    qint64 rejectedCount_ = 0;
};

} // namespace kxsim
