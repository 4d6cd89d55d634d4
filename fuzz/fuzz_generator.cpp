// Fuzzes the simulated generator's command handling (sim/Generator.h).
//
// The first byte of the input chooses the model (its value modulo 3), CR LF line ends
// (bit 2), the lower-case exponent fault (bit 3), the lenient reading (bit 4) and the
// echo fault (bit 5); the rest is what arrives on the line. One generator is fed the
// bytes as they come; a second one is handed the same lines one at a time through
// handleLine, and after each line the second is checked: it answers queries only, with
// one printable line in the documented form, an ignored line changes nothing, every
// setting stays within its model's limits, and a recall brings back what was saved.
// Strict, it rejects exactly the lines with a byte outside printable ASCII and the bare
// numbers of the commands that need a unit, counts them and changes nothing for them;
// and a lenient twin handed only the lines it did not reject ends up the same, with the
// same answers: strictness only rejects. Lenient, it rejects nothing. At the end the fed
// generator has written exactly the echoes (with the fault) and answers of the second,
// and both agree.
#include "FuzzCheck.h"
#include "sim/Generator.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

using kxsim::Generator;
using kxsim::ModelProfile;
using kxsim::Settings;

// The generator's own limits, with its allowance for the last bit of a unit conversion.
bool within(double value, double low, double high) {
    constexpr double slack = 1e-12;
    return std::isfinite(value) && value >= low - std::abs(low) * slack &&
           value <= high + std::abs(high) * slack;
}

bool isOneOf(const QString& word, std::initializer_list<const char*> choices) {
    for (const char* choice : choices)
        if (word == QLatin1String(choice))
            return true;
    return false;
}

void checkLimits(const Generator& g) {
    const Settings& s = g.settings();
    const ModelProfile& p = g.profile();
    KX_FUZZ_CHECK(isOneOf(s.function, {"SIN", "SQU", "TRI"}));
    const double top = s.function == QLatin1String("TRI") ? p.maxRampHz : p.maxSineSquareHz;
    KX_FUZZ_CHECK(within(s.frequency, 0.01, top));
    KX_FUZZ_CHECK(within(s.sweepStart, 0.01, top));
    KX_FUZZ_CHECK(within(s.sweepStop, 0.01, top));
    KX_FUZZ_CHECK(within(s.deviation, 0.01, top));
    KX_FUZZ_CHECK(within(s.amplitude, 0.01, 10));
    KX_FUZZ_CHECK(within(std::abs(s.offset), 0, 5));
    KX_FUZZ_CHECK(within(s.amplitude / 2 + std::abs(s.offset), 0, 5));
    KX_FUZZ_CHECK(!(s.offset == 0 && std::signbit(s.offset))); // no negative zero
    if (s.function == QLatin1String("SQU"))
        KX_FUZZ_CHECK(within(s.dutyCycle, 20, 80));
    else
        KX_FUZZ_CHECK(within(s.dutyCycle, 1, 99));
    KX_FUZZ_CHECK(isOneOf(s.sweepType, {"LIN", "LOG"}));
    KX_FUZZ_CHECK(within(s.sweepRate, 0.01, 100));
    KX_FUZZ_CHECK(isOneOf(s.modKind, {"AM", "FM"}));
    KX_FUZZ_CHECK(isOneOf(s.modSource, {"INT", "EXT"}));
    KX_FUZZ_CHECK(p.modShapes.contains(s.modShape));
    KX_FUZZ_CHECK(within(s.modFrequency, 0.01, 20000));
    KX_FUZZ_CHECK(within(s.depth, 0, 100));
    KX_FUZZ_CHECK(isOneOf(s.mode, {"CONT", "TRIG", "GATE", "BURS"}));
    KX_FUZZ_CHECK(isOneOf(s.trigSource, {"INT", "EXT"}));
    KX_FUZZ_CHECK(within(s.trigRate, 1e-6, 10));
}

// A number as the generator writes it: -?d.dddddE[+-]d, with a one-digit exponent, and
// within rounding of `value` (five decimals of the mantissa).
void checkNumber(const QByteArray& answer, double value, bool lowerE) {
    const qsizetype n = answer.size();
    const qsizetype i = answer.startsWith('-') ? 1 : 0;
    KX_FUZZ_CHECK(n == i + 10);
    const auto digit = [&](qsizetype k) { return answer.at(k) >= '0' && answer.at(k) <= '9'; };
    KX_FUZZ_CHECK(digit(i) && answer.at(i + 1) == '.');
    for (qsizetype k = i + 2; k < i + 7; ++k)
        KX_FUZZ_CHECK(digit(k));
    KX_FUZZ_CHECK(answer.at(i + 7) == (lowerE ? 'e' : 'E'));
    KX_FUZZ_CHECK(answer.at(i + 8) == '+' || answer.at(i + 8) == '-');
    KX_FUZZ_CHECK(digit(i + 9));
    const double written = std::strtod(answer.constData(), nullptr);
    // Five decimals: within 5 parts in a million, or zero for what is too small to be
    // written with a one-digit exponent.
    KX_FUZZ_CHECK(std::abs(written - value) <= std::abs(value) * 5.1e-6 ||
                  (written == 0 && std::abs(value) < 1e-9));
}

const char* const queries[] = {"*IDN?", "FUNC?",  "OUT?",   "FREQ?", "AMPL?",   "OFFS?",  "DCYC?",
                               "SWE?",  "SWSTA?", "SWSTO?", "SWRA?", "MODUL?",  "MODSH?", "MODFR?",
                               "DEPT?", "DEV?",   "MODE?",  "TRIG?", "SIM:REJ?"};

bool isQuery(const QByteArray& keyword) {
    for (const char* query : queries)
        if (keyword == query)
            return true;
    return false;
}

// The answer the generator must give to a query keyword, checked against its settings.
// False when the keyword is not a query it knows.
bool checkAnswer(const QByteArray& keyword, const QByteArray& answer, const Generator& g,
                 bool lowerE) {
    const Settings& s = g.settings();
    const std::pair<const char*, double> numbers[] = {
        {"FREQ?", s.frequency}, {"AMPL?", s.amplitude},     {"OFFS?", s.offset},
        {"DCYC?", s.dutyCycle}, {"SWSTA?", s.sweepStart},   {"SWSTO?", s.sweepStop},
        {"SWRA?", s.sweepRate}, {"MODFR?", s.modFrequency}, {"DEPT?", s.depth},
        {"DEV?", s.deviation},
    };
    for (const auto& [query, value] : numbers) {
        if (keyword == query) {
            checkNumber(answer, value, lowerE);
            return true;
        }
    }
    QByteArray expected;
    if (keyword == "*IDN?")
        expected = g.profile().name.toLatin1() + " Function Generator,SIM,1.0";
    else if (keyword == "FUNC?")
        expected = s.function.toLatin1();
    else if (keyword == "OUT?")
        expected = s.output ? "1" : "0";
    else if (keyword == "SWE?")
        expected = s.sweepOn ? s.sweepType.toLatin1() + " ON" : "OFF";
    else if (keyword == "MODUL?")
        expected = s.modOn ? (s.modKind + QLatin1Char(' ') + s.modSource).toLatin1() : "OFF";
    else if (keyword == "MODSH?")
        expected = s.modShape.toLatin1();
    else if (keyword == "MODE?")
        expected = s.mode.toLatin1();
    else if (keyword == "TRIG?")
        expected = s.trigSource.toLatin1();
    else if (keyword == "SIM:REJ?")
        expected = QByteArray::number(g.rejectedCount());
    else
        return false;
    KX_FUZZ_CHECK(answer == expected);
    return true;
}

QByteArray asciiUpper(QByteArray text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isPrintableAscii(const QByteArray& line) {
    for (const char c : line)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f)
            return false;
    return true;
}

// A number and nothing else: [+-] digits [. digits] [e [+-] digits], or [+-] . digits ...
bool isBareNumber(const QByteArray& text) {
    qsizetype i = 0;
    const auto digits = [&] {
        const qsizetype from = i;
        while (i < text.size() && text.at(i) >= '0' && text.at(i) <= '9')
            ++i;
        return i - from;
    };
    if (i < text.size() && (text.at(i) == '+' || text.at(i) == '-'))
        ++i;
    qsizetype mantissa = digits();
    if (i < text.size() && text.at(i) == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (i < text.size() && (text.at(i) == 'e' || text.at(i) == 'E')) {
        ++i;
        if (i < text.size() && (text.at(i) == '+' || text.at(i) == '-'))
            ++i;
        if (digits() == 0)
            return false;
    }
    return i == text.size();
}

// Whether the command needs a unit after its number (a TRIG rate does, a source not).
bool needsUnit(const QByteArray& keyword, const QByteArray& argument) {
    for (const char* command : {"FREQ", "SWSTA", "SWSTO", "DEV", "MODFR", "SWRA"})
        if (keyword == command)
            return true;
    return keyword == "TRIG" && asciiUpper(argument) != "INT" && asciiUpper(argument) != "EXT";
}

// What the second generator remembers of *SAV, to check *RCL against.
struct Memory {
    explicit Memory(int locations) : saved(locations + 1) {}
    QList<Settings> saved; // index 0: the factory set-up
};

// A memory location as written in a *SAV or *RCL line, when it is a plain number.
std::optional<int> location(const QByteArray& argument) {
    const std::string text = argument.toStdString();
    char* end = nullptr;
    const double n = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !(n >= 0 && n < 100))
        return std::nullopt;
    return static_cast<int>(n);
}

// Hands one line to the generator, checks what it did, and returns its answer.
std::optional<QByteArray> checkLine(Generator& g, Memory& memory, const QByteArray& line,
                                    bool lowerE) {
    const Settings before = g.settings();
    const qsizetype receivedBefore = g.received().size();
    const QByteArray lastBefore = g.received().isEmpty() ? QByteArray() : g.received().last();
    const bool ignoredBefore = g.lastLineIgnored();
    const qint64 rejectedBefore = g.rejectedCount();
    const bool lastRejectedBefore = g.lastLineRejected();
    const std::optional<QByteArray> answer = g.handleLine(line);
    const QByteArray text = line.trimmed();

    // A rejected line is received, counted, not answered, and changes nothing.
    const auto checkRejected = [&](const QByteArray& kept) {
        KX_FUZZ_CHECK(!answer);
        KX_FUZZ_CHECK(g.settings() == before);
        KX_FUZZ_CHECK(g.lastLineRejected() && g.lastLineIgnored());
        KX_FUZZ_CHECK(g.rejectedCount() == rejectedBefore + 1);
        KX_FUZZ_CHECK(!g.rejected().isEmpty() && g.rejected().last().line == kept);
        KX_FUZZ_CHECK(!g.rejected().last().reason.isEmpty());
        KX_FUZZ_CHECK(g.received().last() == kept);
    };
    if (!g.lenient() && !isPrintableAscii(line)) { // kept as received
        checkRejected(line);
        return answer;
    }
    if (g.lenient()) // rejects nothing
        KX_FUZZ_CHECK(g.rejectedCount() == 0 && !g.lastLineRejected());

    if (text.isEmpty()) { // blank lines are not lines at all
        KX_FUZZ_CHECK(g.rejectedCount() == rejectedBefore);
        KX_FUZZ_CHECK(g.lastLineRejected() == lastRejectedBefore);
        KX_FUZZ_CHECK(!answer);
        KX_FUZZ_CHECK(g.received().size() == receivedBefore);
        KX_FUZZ_CHECK(receivedBefore == 0 || g.received().last() == lastBefore);
        KX_FUZZ_CHECK(g.lastLineIgnored() == ignoredBefore);
        KX_FUZZ_CHECK(g.settings() == before);
        return answer;
    }
    // One more line received (the list may be capped, and then keeps its size).
    KX_FUZZ_CHECK(g.received().size() == receivedBefore + 1 ||
                  (receivedBefore > 0 && g.received().size() == receivedBefore));
    KX_FUZZ_CHECK(g.received().last() == text);

    qsizetype blank = 0;
    while (blank < text.size() && !isBlank(text.at(blank)))
        ++blank;
    const QByteArray keyword = asciiUpper(text.left(blank));
    const QByteArray argument = text.mid(blank).trimmed();

    if (keyword.endsWith('?')) {
        KX_FUZZ_CHECK(g.settings() == before); // a query changes nothing
        KX_FUZZ_CHECK(g.rejectedCount() == rejectedBefore && !g.lastLineRejected());
        // Answered exactly when it is a query the generator knows, without an argument.
        KX_FUZZ_CHECK(answer.has_value() == (argument.isEmpty() && isQuery(keyword)));
        if (answer) {
            for (const char c : *answer) // one line, nothing stray
                KX_FUZZ_CHECK(c >= 0x20 && c < 0x7f);
            KX_FUZZ_CHECK(checkAnswer(keyword, *answer, g, lowerE));
        }
        KX_FUZZ_CHECK(g.lastLineIgnored() == !answer);
        checkLimits(g);
        return answer;
    }

    // Strict, a bare number where the command needs a unit is rejected, and only that.
    const bool missingUnit = !g.lenient() && needsUnit(keyword, argument) && isBareNumber(argument);
    if (missingUnit) {
        checkRejected(text);
        return answer;
    }
    KX_FUZZ_CHECK(g.rejectedCount() == rejectedBefore && !g.lastLineRejected());
    KX_FUZZ_CHECK(!answer); // never an answer to a line that is not a query
    if (g.lastLineIgnored()) {
        KX_FUZZ_CHECK(g.settings() == before); // ignored lines change nothing
        return answer;
    }
    checkLimits(g);
    const auto at = location(argument);
    if (keyword == "*SAV") {
        KX_FUZZ_CHECK(at && *at >= 1 && *at <= g.profile().memoryLocations);
        KX_FUZZ_CHECK(g.settings() == before);
        memory.saved[*at] = g.settings();
    } else if (keyword == "*RCL") {
        KX_FUZZ_CHECK(at && *at >= 0 && *at <= g.profile().memoryLocations);
        KX_FUZZ_CHECK(g.settings() == memory.saved.at(*at));
    }
    return answer;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const uint8_t options = data[0];
    const QList<ModelProfile>& models = kxsim::profiles();
    const ModelProfile& model = models.at(options % models.size());
    const bool crlf = options & 4;
    const bool lowerE = options & 8;
    const bool lenient = options & 16;
    const bool echo = options & 32;
    const QByteArray lineEnd = crlf ? "\r\n" : "\r";
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1),
                           static_cast<qsizetype>(size - 1));

    Generator fed(model);
    Generator byLine(model);
    Generator twin(model); // lenient, handed the lines byLine does not reject
    for (Generator* g : {&fed, &byLine, &twin}) {
        g->setLineEnd(lineEnd);
        g->setLowerCaseExponent(lowerE);
        g->setLenient(lenient);
    }
    fed.setEcho(echo);
    twin.setLenient(true);
    checkLimits(byLine); // the factory set-up too
    const QByteArray fedAnswers = fed.feed(bytes);

    // The same lines by hand: each CR ends one, and an LF right after it belongs to
    // that line end; a line longer than the limit is dropped and what follows its CR is
    // not. Text after the last CR is not a line yet.
    Memory memory(model.memoryLocations);
    Memory twinMemory(model.memoryLocations);
    QByteArray expectedAnswers;
    qsizetype start = 0;
    for (qsizetype cr = bytes.indexOf('\r'); cr >= 0; cr = bytes.indexOf('\r', start)) {
        QByteArray line = bytes.mid(start, cr - start);
        if (start > 0 && line.startsWith('\n'))
            line.remove(0, 1);
        start = cr + 1;
        if (line.size() > Generator::maxLineLength)
            continue;
        if (echo) // every line, blank or rejected, as received
            expectedAnswers += line + lineEnd;
        const auto answer = checkLine(byLine, memory, line, lowerE);
        if (answer)
            expectedAnswers += *answer + lineEnd;
        if (lenient || byLine.lastLineRejected())
            continue;
        // Strictness only rejects: what it takes, it takes as the lenient reading does.
        const auto twinAnswer = checkLine(twin, twinMemory, line, lowerE);
        KX_FUZZ_CHECK(answer == twinAnswer ||
                      (answer && twinAnswer && *twinAnswer == "0" &&
                       *answer == QByteArray::number(byLine.rejectedCount()))); // SIM:REJ?
        KX_FUZZ_CHECK(twin.settings() == byLine.settings());
        KX_FUZZ_CHECK(twin.lastLineIgnored() == byLine.lastLineIgnored());
    }
    // Every answer ends with the line end, and nothing else goes out.
    KX_FUZZ_CHECK(fedAnswers == expectedAnswers);
    KX_FUZZ_CHECK(fed.settings() == byLine.settings());
    KX_FUZZ_CHECK(fed.received() == byLine.received());
    KX_FUZZ_CHECK(fed.lastLineIgnored() == byLine.lastLineIgnored());
    KX_FUZZ_CHECK(fed.rejected() == byLine.rejected());
    KX_FUZZ_CHECK(fed.rejectedCount() == byLine.rejectedCount());
    KX_FUZZ_CHECK(fed.lastLineRejected() == byLine.lastLineRejected());
    return 0;
}
