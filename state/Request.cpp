#include "state/Request.h"

#include "link/Traffic.h"
#include "state/Profile.h"

#include <QRegularExpression>

#include <algorithm>

namespace kx {

namespace {

// The words a name takes, each the fixed lines it chooses.
QList<Word> optionsOf(const Command& command) {
    QList<Word> out;
    for (std::size_t i = 0; i < command.options.size(); ++i)
        out << Word{QString::fromLatin1(command.options[i].name), &command, int(i)};
    return out;
}
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
    return {{QStringLiteral("lin"), &commands::linearSweep},
            {QStringLiteral("log"), &commands::logSweep},
            {QStringLiteral("off"), &commands::sweepOff}};
}
QList<Word> modulationWords() {
    return optionsOf(commands::modulation) << Word{QStringLiteral("off"), &commands::modulationOff};
}

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
     [] { return optionsOf(commands::modulationShape); }},
    {"trigger-mode", Kind::Choice, 0, "the operating mode", true, nullptr,
     [] { return optionsOf(commands::mode); }},
    {"trigger-source", Kind::Choice, mode, "the trigger source (not in continuous mode)", false,
     nullptr, [] { return optionsOf(commands::triggerSource); }},
    {"burst", Kind::Burst, outputFrequency, "cycles a burst (only checked: nothing is sent)"},
};

// A number's unit as typed: the letters (and a per cent sign) at its end.
QString trailingUnit(const QString& value) {
    qsizetype i = value.size();
    while (i > 0 && (value.at(i - 1).isLetter() || value.at(i - 1) == QLatin1Char('%')))
        --i;
    return value.mid(i);
}

// Why `value` is no number in one of `units`, the units `name` takes: the unit must be
// one of them exactly, letter case and all. A name that takes several units needs one; a
// name that takes one may leave it out; a name that takes none has none. Empty when it is
// one, with `number` and `unit` set.
QString splitUnit(const QString& name, const QStringList& units, const QString& value,
                  QString* number, QString* unit) {
    *unit = trailingUnit(value);
    *number = value.chopped(unit->size());
    if (unit->isEmpty()) {
        *unit = units.value(0);
        return units.size() > 1 ? QStringLiteral("%1 needs a unit: %2").arg(name, units.join(", "))
                                : QString();
    }
    if (units.isEmpty())
        return QStringLiteral("%1 takes a number without a unit, not %2").arg(name, *unit);
    if (number->isEmpty())
        return QStringLiteral("%1 needs a number before %2").arg(name, *unit);
    if (!units.contains(*unit))
        return QStringLiteral("%1 takes %2, not %3").arg(name, units.join(", "), *unit);
    return {};
}

// A value is one word, or a number and then one of `units` as a word of its own. Why the
// words of `set name` are no value; empty when they are one, set in `value`.
QString valueWord(const QString& name, const QStringList& units, const QStringList& args,
                  QString* value) {
    if (args.size() < 2)
        return QStringLiteral("set %1 needs a value").arg(name);
    *value = args.at(1);
    if (args.size() == 2)
        return {};
    const QString& extra = args.at(2);
    if (args.size() == 3 && units.contains(extra) && trailingUnit(*value).isEmpty()) {
        *value += extra;
        return {};
    }
    const QString& word = args.size() > 3 && units.contains(extra) ? args.at(3) : extra;
    return units.isEmpty()
               ? QStringLiteral("set %1 takes one word as its value; %2 is one too many")
                     .arg(name, word)
               : QStringLiteral("set %1 takes one value and at most a unit (%2) after it; "
                                "%3 is one too many")
                     .arg(name, units.join(", "), word);
}

// Why `args`, a name and its value, are no setting; empty when they are one, set in `r`.
QString parseSet(Request& r, const QStringList& args) {
    const QString& name = args.first();
    r.name = findName(name);
    if (!r.name)
        return QStringLiteral("there is no setting %1").arg(name);
    r.needs = r.name->needs;
    const QStringList unitList = units(*r.name);
    QString value;
    if (const QString why = valueWord(name, unitList, args, &value); !why.isEmpty())
        return why;
    if (!r.name->words) { // a number: Value, Duty, Burst
        QString unit;
        if (const QString why = splitUnit(name, unitList, value, &r.typed, &unit); !why.isEmpty())
            return why;
        if (r.name->setting)
            r.unit = r.name->setting->unit(unit);
        return {};
    }
    QStringList all;
    for (const Word& w : words(*r.name)) {
        if (w.word == value) {
            r.word = w;
            return {};
        }
        all << w.word;
    }
    return QStringLiteral("%1 is one of %2, not %3")
        .arg(name, all.join(QStringLiteral(", ")), value);
}

struct VerbName {
    const char* name;
    Verb verb;
    int arguments; // -1: one or more
    const char* usage;
    Facts needs = 0; // what its checks need to know of the generator first
};

constexpr VerbName verbs[] = {
    {"ports", Verb::Ports, 0, "ports"},
    {"identify", Verb::Identify, 0, "identify"},
    {"status", Verb::Status, 0, "status"},
    {"limits", Verb::Limits, 0, "limits", model | waveform},
    {"set", Verb::Set, -1, "set NAME VALUE"},
    {"save", Verb::Save, 1, "save N", model},
    {"recall", Verb::Recall, 1, "recall N", model},
    {"factory", Verb::Factory, 0, "factory"},
    {"run", Verb::Run, 1, "run FILE"},
    {"send", Verb::Send, -1, "send LINE"},
    {"save-setup", Verb::SaveSetup, 1, "save-setup FILE", model},
};

} // namespace

std::span<const Name> names() {
    static const std::vector<Name> all = [] {
        std::vector<Name> out(std::begin(others), std::end(others));
        for (const Setting* s : allSettings())
            out.push_back({s->name, Kind::Value, s->needs, s->help, false, s});
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

QString wordOf(const char* name, const std::optional<Choice>& choice, const QString& otherwise) {
    for (const Word& w : words(*findName(QLatin1String(name)))) {
        if (choice && w.command == choice->command && w.option == choice->option)
            return w.word;
    }
    return otherwise;
}

bool offered(const QString& model, const Word& w) {
    const ModelProfile* profile = findModel(model);
    return w.command != &commands::modulationShape ||
           (profile && w.option < int(profile->modulationShapes.size()));
}

Result checkOffered(const QString& model, const Word& w) {
    if (offered(model, w))
        return {};
    return Result::refused(QStringLiteral("The %1 has no %2 modulating shape.").arg(model, w.word));
}

QStringList units(const Name& name) {
    QStringList out;
    if (name.kind == Kind::Duty)
        out << QStringLiteral("%");
    for (const Unit& u : name.setting ? name.setting->units : std::span<const Unit>())
        out << QString::fromLatin1(u.name);
    return out;
}

QString parseRequest(const QStringList& words, Request* r, const QString& rest) {
    r->text = words.join(QLatin1Char(' '));
    const QString verb = words.value(0);
    const auto v = std::find_if(std::begin(verbs), std::end(verbs),
                                [&](const VerbName& n) { return verb == QLatin1String(n.name); });
    if (v == std::end(verbs))
        return verb.isEmpty() ? QStringLiteral("no command given")
                              : QStringLiteral("there is no command %1").arg(verb);
    const QStringList args = words.mid(1);
    if (v->arguments < 0 ? args.isEmpty() : args.size() != v->arguments)
        return QStringLiteral("usage: %1").arg(QLatin1String(v->usage));
    r->verb = v->verb;
    r->needs = v->needs;
    r->needsPort = r->verb != Verb::Ports && r->verb != Verb::Run;
    if (v->arguments == 1) // save N, recall N, run FILE, save-setup FILE
        r->typed = args.first();
    if (r->verb == Verb::Set)
        return parseSet(*r, args);
    if (r->verb != Verb::Send)
        return {};
    r->typed = rest.isNull() ? args.join(QLatin1Char(' ')) : rest;
    r->text = QStringLiteral("send ") + r->typed;
    // Nothing goes out for a line that is not one line of printable ASCII.
    const auto printable = [](QChar c) { return c.unicode() >= 0x20 && c.unicode() <= 0x7e; };
    if (r->typed.isEmpty() || !std::all_of(r->typed.begin(), r->typed.end(), printable))
        return QStringLiteral("send takes one line of printable ASCII");
    return {};
}

QString parseRunFile(const QByteArray& text, QList<RequestLine>* lines) {
    static const QRegularExpression comment(QStringLiteral("(^| )#.*$"));
    const QList<QByteArray> all = text.split('\n');
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QString where = QStringLiteral("%1: ").arg(i + 1);
        // A CR before the LF ends the line as the LF does.
        const QByteArray bytes = all[i].endsWith('\r') ? all[i].chopped(1) : all[i];
        const auto control = std::find_if(bytes.begin(), bytes.end(), [](char c) {
            return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
        });
        if (control != bytes.end())
            return where + QStringLiteral("a control character (%1) in the line")
                               .arg(Traffic::visible(QByteArray(1, *control)));
        const QString line = QString::fromUtf8(bytes).remove(comment);
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        Request r;
        QString why = parseRequest(
            words, &r,
            words.first() == QLatin1String("send") ? line.trimmed().mid(4).trimmed() : QString());
        if (why.isEmpty() && r.verb == Verb::Run)
            why = QStringLiteral("a run file cannot run another");
        if (!why.isEmpty())
            return where + why;
        *lines << RequestLine{int(i + 1), r};
    }
    return {};
}

} // namespace kx
