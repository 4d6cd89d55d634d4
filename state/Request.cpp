#include "state/Request.h"

#include "link/Traffic.h"
#include "state/Profile.h"

#include <QRegularExpression>

#include <algorithm>

namespace kx {

namespace {

QList<Word> optionsOf(const Command& command) {
    QList<Word> out;
    for (std::size_t i = 0; i < command.options.size(); ++i)
        out << Word{QString::fromLatin1(command.options[i].name), &command, int(i)};
    return out;
}

// The words a name takes, each the fixed lines it chooses.
QList<Word> waveformWords() {
    QList<Word> out;
    for (std::size_t i = 0; i < std::size(waveforms); ++i)
        out << Word{QString::fromLatin1(waveforms[i].shape), nullptr, int(i)};
    return out;
}
QList<Word> outputWords() {
    return {{QStringLiteral("on"), nullptr, 1}, {QStringLiteral("off"), nullptr, 0}};
}
QList<Word> sweepWords() {
    return {{QStringLiteral("lin"), &commands::linearSweep, -1},
            {QStringLiteral("log"), &commands::logSweep, -1},
            {QStringLiteral("off"), &commands::sweepOff, -1}};
}
QList<Word> modulationWords() {
    return optionsOf(commands::modulation)
           << Word{QStringLiteral("off"), &commands::modulationOff, -1};
}
QList<Word> shapeWords() { return optionsOf(commands::modulationShape); }
QList<Word> modeWords() { return optionsOf(commands::mode); }
QList<Word> sourceWords() { return optionsOf(commands::triggerSource); }

using namespace fact;

// The names that are not a value in a unit; those are the settings' own (Settings.h).
constexpr Name others[] = {
    {"waveform", Kind::Waveform, 0, "the waveform", true, nullptr, waveformWords},
    {"output", Kind::Output, 0, "the output", false, nullptr, outputWords},
    {"duty", Kind::Duty, waveform | outputFrequency, "duty cycle (square), symmetry (ramp)"},
    {"sweep", Kind::Choice, 0, "the frequency sweep", true, nullptr, sweepWords},
    {"modulation", Kind::Choice, 0, "the modulation and its source", true, nullptr,
     modulationWords},
    {"mod-shape", Kind::Choice, model, "the modulating waveform (the KX12A: sine)", false, nullptr,
     shapeWords},
    {"trigger-mode", Kind::Choice, 0, "the operating mode", true, nullptr, modeWords},
    {"trigger-source", Kind::Choice, mode, "the trigger source (not in continuous mode)", false,
     nullptr, sourceWords},
    {"burst", Kind::Burst, outputFrequency, "cycles a burst (only checked: nothing is sent)"},
};

// A number's unit as typed: the letters (and a per cent sign) at its end.
QString trailingUnit(const QString& value) {
    qsizetype i = value.size();
    while (i > 0 && (value.at(i - 1).isLetter() || value.at(i - 1) == QLatin1Char('%')))
        --i;
    return value.mid(i);
}

// A value's number and unit, checked against the units `name` takes: the unit must be one
// of them exactly, letter case and all. A name that takes several units needs one; a name
// that takes one may leave it out; a name that takes none has none.
bool splitUnit(const Request& r, const QString& value, QString* number, QString* unit,
               QString* error) {
    const QStringList unitList = units(*r.name);
    const QString name = QString::fromLatin1(r.name->name);
    *unit = trailingUnit(value);
    *number = value.chopped(unit->size());
    if (unit->isEmpty()) {
        if (unitList.size() > 1) {
            *error = QStringLiteral("%1 needs a unit: %2").arg(name, unitList.join(", "));
            return false;
        }
        *unit = unitList.value(0);
        return true;
    }
    if (unitList.isEmpty()) {
        *error = QStringLiteral("%1 takes a number without a unit, not %2").arg(name, *unit);
        return false;
    }
    if (number->isEmpty()) {
        *error = QStringLiteral("%1 needs a number before %2").arg(name, *unit);
        return false;
    }
    if (!unitList.contains(*unit)) {
        *error = QStringLiteral("%1 takes %2, not %3").arg(name, unitList.join(", "), *unit);
        return false;
    }
    return true;
}

// A value is one word, or a number and then one of the name's units as a word of its own.
bool valueWord(const Request& r, const QStringList& args, QString* value, QString* error) {
    const QString name = QString::fromLatin1(r.name->name);
    if (args.size() < 2) {
        *error = QStringLiteral("set %1 needs a value").arg(name);
        return false;
    }
    *value = args.at(1);
    if (args.size() == 2)
        return true;
    const QStringList unitList = units(*r.name);
    const QString& extra = args.at(2);
    if (args.size() > 3 || !unitList.contains(extra) || !trailingUnit(*value).isEmpty()) {
        const QString& word = args.size() > 3 && unitList.contains(extra) ? args.at(3) : extra;
        *error = unitList.isEmpty()
                     ? QStringLiteral("set %1 takes one word as its value; %2 is one too many")
                           .arg(name, word)
                     : QStringLiteral("set %1 takes one value and at most a unit (%2) after it; "
                                      "%3 is one too many")
                           .arg(name, unitList.join(", "), word);
        return false;
    }
    *value += extra;
    return true;
}

bool parseSet(Request& r, const QStringList& args, QString* error) {
    if (args.isEmpty()) {
        *error = QStringLiteral("set needs a name and a value");
        return false;
    }
    r.name = findName(args.first());
    if (!r.name) {
        *error = QStringLiteral("there is no setting %1").arg(args.first());
        return false;
    }
    r.needs = r.name->needs;
    QString value;
    if (!valueWord(r, args, &value, error))
        return false;
    QString unit;
    switch (r.name->kind) {
    case Kind::Value:
        if (!splitUnit(r, value, &r.typed, &unit, error))
            return false;
        r.setting = r.name->setting;
        r.unit = r.setting->unit(unit);
        return true;
    case Kind::Duty:
    case Kind::Burst:
        return splitUnit(r, value, &r.typed, &unit, error);
    case Kind::Choice:
    case Kind::Waveform:
    case Kind::Output:
        break;
    }
    const QList<Word> choices = words(*r.name);
    for (qsizetype i = 0; i < choices.size(); ++i) {
        if (choices[i].word == value)
            r.word = int(i);
    }
    if (r.word < 0) {
        QStringList all;
        for (const Word& w : choices)
            all << w.word;
        *error = QStringLiteral("%1 is one of %2, not %3")
                     .arg(args.first(), all.join(QStringLiteral(", ")), value);
        return false;
    }
    return true;
}

struct VerbName {
    const char* name;
    Verb verb;
    int arguments; // -1: one or more
    const char* usage;
};

constexpr VerbName verbs[] = {
    {"ports", Verb::Ports, 0, "ports"},       {"identify", Verb::Identify, 0, "identify"},
    {"status", Verb::Status, 0, "status"},    {"limits", Verb::Limits, 0, "limits"},
    {"set", Verb::Set, -1, "set NAME VALUE"}, {"save", Verb::Save, 1, "save N"},
    {"recall", Verb::Recall, 1, "recall N"},  {"factory", Verb::Factory, 0, "factory"},
    {"run", Verb::Run, 1, "run FILE"},        {"send", Verb::Send, -1, "send LINE"},
};

} // namespace

bool isPrintable(const QString& text) {
    return std::all_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x20 && c.unicode() <= 0x7e; });
}

std::span<const Name> names() {
    static const std::vector<Name> all = [] {
        std::vector<Name> out(std::begin(others), std::end(others));
        for (const Setting* setting : allSettings())
            out.push_back(
                {setting->name, Kind::Value, setting->needs, setting->help, false, setting});
        return out;
    }();
    return all;
}

const Name* findName(const QString& name) {
    for (const Name& n : names()) {
        if (name == QLatin1String(n.name))
            return &n;
    }
    return nullptr;
}

QList<Word> words(const Name& name) { return name.words ? name.words() : QList<Word>{}; }

QStringList units(const Name& name) {
    QStringList out;
    if (name.kind == Kind::Duty)
        out << QStringLiteral("%");
    if (name.setting) {
        for (const Unit& u : name.setting->units)
            out << QString::fromLatin1(u.name);
    }
    return out;
}

std::optional<Request> parseRequest(const QStringList& words, QString* error, const QString& rest) {
    Request r;
    r.text = words.join(QLatin1Char(' '));
    const QString verb = words.value(0);
    const VerbName* found = nullptr;
    for (const VerbName& v : verbs) {
        if (verb == QLatin1String(v.name))
            found = &v;
    }
    if (!found) {
        *error = verb.isEmpty() ? QStringLiteral("no command given")
                                : QStringLiteral("there is no command %1").arg(verb);
        return std::nullopt;
    }
    r.verb = found->verb;
    const QStringList args = words.mid(1);
    const bool countOk = found->arguments < 0 ? !args.isEmpty() : args.size() == found->arguments;
    if (!countOk) {
        *error = QStringLiteral("usage: %1").arg(QLatin1String(found->usage));
        return std::nullopt;
    }
    switch (r.verb) {
    case Verb::Ports:
    case Verb::Run:
        r.needsPort = false;
        r.typed = args.value(0);
        break;
    case Verb::Limits:
        r.needs = model | waveform;
        break;
    case Verb::Save:
    case Verb::Recall:
        r.needs = model;
        r.typed = args.first();
        break;
    case Verb::Send:
        r.typed = rest.isNull() ? args.join(QLatin1Char(' ')) : rest;
        r.text = QStringLiteral("send ") + r.typed;
        // Nothing goes out for a line that is not one line of printable ASCII.
        if (r.typed.isEmpty() || !isPrintable(r.typed)) {
            *error = QStringLiteral("send takes one line of printable ASCII");
            return std::nullopt;
        }
        break;
    case Verb::Set:
        if (!parseSet(r, args, error))
            return std::nullopt;
        break;
    case Verb::Identify:
    case Verb::Status:
    case Verb::Factory:
        break;
    }
    return r;
}

std::optional<QList<RequestLine>> parseRunFile(const QByteArray& text, QString* error) {
    static const QRegularExpression comment(QStringLiteral("(^| )#.*$"));
    QList<RequestLine> lines;
    const QList<QByteArray> all = text.split('\n');
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QString where = QStringLiteral("%1: ").arg(i + 1);
        QByteArray bytes = all[i];
        // A CR before the LF ends the line as the LF does.
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        const auto control = std::find_if(bytes.begin(), bytes.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
        });
        if (control != bytes.end()) {
            *error = where + QStringLiteral("a control character (%1) in the line")
                                 .arg(Traffic::visible(QByteArray(1, *control)));
            return std::nullopt;
        }
        QString line = QString::fromUtf8(bytes);
        line.remove(comment);
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        QString why;
        std::optional<Request> r = parseRequest(
            words, &why,
            words.first() == QLatin1String("send") ? line.trimmed().mid(4).trimmed() : QString());
        if (r && r->verb == Verb::Run)
            why = QStringLiteral("a run file cannot run another");
        if (!why.isEmpty()) {
            *error = where + why;
            return std::nullopt;
        }
        lines << RequestLine{int(i + 1), *r};
    }
    return lines;
}

} // namespace kx
