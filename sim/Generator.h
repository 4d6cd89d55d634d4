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
class Generator {
public:
    explicit Generator(const ModelProfile& profile);

    const ModelProfile& profile() const { return profile_; }
    const Settings& settings() const { return settings_; }
    Settings& settings() { return settings_; }

    // Carries out one command line (without its CR). Returns the answer, without a line
    // end, for a query it knows; nothing for anything else.
    std::optional<QByteArray> handleLine(const QByteArray& line);

    // The text that ends every answer: "\r" (the default) or "\r\n".
    void setLineEnd(const QByteArray& end) { lineEnd_ = end; }
    QByteArray lineEnd() const { return lineEnd_; }
    // A fault: numbers are written with a lower-case 'e'.
    void setLowerCaseExponent(bool on) { lowerE_ = on; }

    // Bytes as they come from the line: complete CR-ended lines are carried out and
    // the answers returned, each followed by the line end; a partial line is kept.
    QByteArray feed(const QByteArray& bytes);

    // The lines received most recently, in order: the last keptLines of them, so a
    // simulator that runs for days does not grow.
    static constexpr qsizetype keptLines = 1000;
    const QList<QByteArray>& received() const { return received_; }
    // How many lines have been received in all.
    qint64 receivedCount() const { return receivedCount_; }
    // Whether the last line was neither carried out nor answered (unknown, or a value
    // outside the limits).
    bool lastLineIgnored() const { return lastLineIgnored_; }

    // A number as the generator writes it: a mantissa with five decimals and a
    // one-digit exponent, 2500 -> "2.50000E+3"; below 1e-9 in magnitude it is 0.
    QByteArray formatNumber(double value) const;

    // A line longer than this (without its CR) is dropped whole, not carried out.
    static constexpr qsizetype maxLineLength = 256;

    // The highest frequency, in hertz, for a waveform ("SIN", "SQU" or "TRI").
    double maxFrequency(const QString& function) const;

private:
    bool applySetting(const QByteArray& keyword, const QByteArray& argument);
    std::optional<QByteArray> answerQuery(const QByteArray& keyword) const;
    bool recallOrSave(const QByteArray& keyword, const QByteArray& argument);
    // After a change of waveform: bring every value that depends on it into range.
    void fitToFunction();

    const ModelProfile& profile_;
    Settings settings_;
    QList<Settings> memory_; // index 0 is the factory set-up
    QByteArray lineEnd_ = "\r";
    bool lowerE_ = false;
    QByteArray pending_;
    bool discarding_ = false; // inside an overlong line, up to its CR
    bool lastLineIgnored_ = false;
    QList<QByteArray> received_;
    qint64 receivedCount_ = 0;
};

} // namespace kxsim
