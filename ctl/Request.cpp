#include "ctl/Request.h"

#include "state/Profile.h"

#include <algorithm>

namespace kxctl {

namespace {

using namespace kx::fact;

// Every name of the panel's settings, in the order of its groups.
constexpr Name table[] = {
    {"waveform", Kind::Waveform, 0, "the waveform", true},
    {"output", Kind::Output, 0, "the output"},
    {"frequency", Kind::Value, model | waveform, "the output frequency"},
    {"amplitude", Kind::Value, offset, "the amplitude, peak to peak"},
    {"offset", Kind::Value, amplitude, "the DC offset"},
    {"duty", Kind::Duty, waveform | outputFrequency, "duty cycle (square), symmetry (ramp)"},
    {"sweep", Kind::Choice, 0, "the frequency sweep", true},
    {"sweep-start", Kind::Value, model | waveform, "the sweep's start frequency"},
    {"sweep-stop", Kind::Value, model | waveform, "the sweep's stop frequency"},
    {"sweep-rate", Kind::Value, 0, "the sweep's duration"},
    {"modulation", Kind::Choice, 0, "the modulation and its source", true},
    {"mod-shape", Kind::Choice, model, "the modulating waveform (the KX12A: sine)"},
    {"mod-frequency", Kind::Value, 0, "the modulating frequency"},
    {"depth", Kind::Value, 0, "the AM depth (internal AM only)"},
    {"deviation", Kind::Value, model | waveform, "the FM deviation (internal FM only)"},
    {"trigger-mode", Kind::Choice, 0, "the operating mode", true},
    {"trigger-source", Kind::Choice, mode, "the trigger source (not in continuous mode)"},
    {"trigger-rate", Kind::Value, 0, "the internal trigger's period"},
    {"burst", Kind::Burst, outputFrequency, "cycles a burst (only checked: nothing is sent)"},
};

QList<Word> optionsOf(const kx::Command& command) {
    QList<Word> out;
    for (std::size_t i = 0; i < command.options.size(); ++i)
        out << Word{QString::fromLatin1(command.options[i].name), &command, int(i)};
    return out;
}

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
        r.setting = kx::findSetting(QString::fromLatin1(r.name->name));
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

std::span<const Name> names() { return table; }

const Name* findName(const QString& name) {
    for (const Name& n : table) {
        if (name == QLatin1String(n.name))
            return &n;
    }
    return nullptr;
}

QList<Word> words(const Name& name) {
    namespace c = kx::commands;
    const QString n = QString::fromLatin1(name.name);
    QList<Word> out;
    if (name.kind == Kind::Waveform) {
        for (std::size_t i = 0; i < std::size(kx::waveforms); ++i)
            out << Word{QString::fromLatin1(kx::waveforms[i].shape), nullptr, int(i)};
    } else if (name.kind == Kind::Output) {
        out << Word{QStringLiteral("on"), nullptr, 1} << Word{QStringLiteral("off"), nullptr, 0};
    } else if (n == QLatin1String("sweep")) {
        out << Word{QStringLiteral("lin"), &c::linearSweep, -1}
            << Word{QStringLiteral("log"), &c::logSweep, -1}
            << Word{QStringLiteral("off"), &c::sweepOff, -1};
    } else if (n == QLatin1String("modulation")) {
        out << optionsOf(c::modulation) << Word{QStringLiteral("off"), &c::modulationOff, -1};
    } else if (n == QLatin1String("mod-shape")) {
        out << optionsOf(c::modulationShape);
    } else if (n == QLatin1String("trigger-mode")) {
        out << optionsOf(c::mode);
    } else if (n == QLatin1String("trigger-source")) {
        out << optionsOf(c::triggerSource);
    }
    return out;
}

QStringList units(const Name& name) {
    QStringList out;
    if (name.kind == Kind::Duty)
        out << QStringLiteral("%");
    if (const kx::Setting* s = kx::findSetting(QString::fromLatin1(name.name))) {
        for (const kx::Unit& u : s->units)
            out << QString::fromLatin1(u.name);
    }
    return out;
}

std::optional<Request> parse(const QStringList& words, QString* error, const QString& rest) {
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

QString help() {
    QString out = QStringLiteral(
        "Usage: kx-ctl [-p N | -d DEVICE] [--json] [--keep-going] COMMAND [ARGUMENTS]\n"
        "Drives a KX12A, KX20A or KX25A function generator on its serial line, checking\n"
        "every value as the front panel kx-panel does and sending the same lines.\n"
        "\n"
        "Options:\n"
        "  -p N          port N (1-16) as the panel numbers it: the link comN in\n"
        "                ~/.config/kx-panel/ports/, else 1-4 /dev/ttyS0-3, 5-12\n"
        "                /dev/ttyUSB0-7, 13-16 /dev/ttyACM0-3\n"
        "  -d DEVICE     the serial device itself\n"
        "  --json        each result as one JSON object a line\n"
        "  --keep-going  run: go on after a refused or failed line\n"
        "  -h, --help    this text\n"
        "  --version     the version\n"
        "\n"
        "Commands:\n"
        "  ports         each port number whose device opens, with the device\n"
        "  identify      the generator's answer to *IDN?\n"
        "  status        waveform, frequency, amplitude, offset, mode, sweep,\n"
        "                modulation and output, as the generator answers\n"
        "  limits        the connected model's range of every setting\n"
        "  set NAME VALUE  one setting (below)\n"
        "  save N        save the set-up in memory location N, then the status\n"
        "  recall N      recall the set-up of location N, then the status\n"
        "  factory       recall the factory set-up, then the status\n"
        "  run FILE      one command a line (# starts a comment); - reads standard input\n"
        "  send LINE     one line of printable ASCII, sent as given and not checked; the\n"
        "                answer to a query (a line ending in ?) is printed\n"
        "\n"
        "Settings (set NAME VALUE); a number is written with its unit, as 2.5kHz, 20ms:\n");
    // "a, b or c"
    const auto either = [](const QStringList& all) {
        return all.size() < 2 ? all.join(QString())
                              : all.mid(0, all.size() - 1).join(QStringLiteral(", ")) +
                                    QStringLiteral(" or ") + all.last();
    };
    for (const Name& n : table) {
        QString takes;
        if (n.kind == Kind::Value || n.kind == Kind::Duty) {
            const QStringList u = units(n);
            takes = u.size() == 1 ? QStringLiteral("NUMBER [%1]").arg(u.first())
                                  : QStringLiteral("NUMBER and %1").arg(either(u));
        } else if (n.kind == Kind::Burst) {
            takes = QStringLiteral("NUMBER");
        } else {
            QStringList all;
            for (const Word& w : words(n))
                all << w.word;
            takes = either(all);
        }
        out +=
            QStringLiteral("  %1 %2; %3\n")
                .arg(QString::fromLatin1(n.name).leftJustified(14), takes, QLatin1String(n.help));
    }
    out += QStringLiteral(
        "\n"
        "A value is one word, or a number and its unit as two: 2.5kHz or 2.5 kHz. A value\n"
        "the generator does not report back is shown as sent, not as confirmed.\n"
        "\n"
        "Exit status: 0 done; 1 refused by a check (its numbered text on standard error);\n"
        "2 usage (nothing sent); 3 the link (no such port or device, not a serial port, in\n"
        "use, no permission, lost); 4 no valid answer from the generator; 5 standard output\n"
        "cannot be written (nothing more is sent). SIGINT, SIGTERM or SIGHUP: the line being\n"
        "written is finished, nothing more is sent, the port is closed; 128 + the signal.\n");
    return out;
}

} // namespace kxctl
