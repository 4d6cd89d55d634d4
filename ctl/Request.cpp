#include "ctl/Request.h"

#include "state/Profile.h"

#include <algorithm>

namespace kxctl {

namespace {

using namespace kx::fact;

// Every name of the panel's settings, in the order of its groups.
constexpr Name table[] = {
    {"waveform", Kind::Waveform, 0, "the waveform"},
    {"output", Kind::Output, 0, "the output"},
    {"frequency", Kind::Value, model | waveform, "the output frequency"},
    {"amplitude", Kind::Value, offset, "the amplitude, peak to peak"},
    {"offset", Kind::Value, amplitude, "the DC offset"},
    {"duty", Kind::Duty, waveform | outputFrequency, "duty cycle (square), symmetry (ramp)"},
    {"sweep", Kind::Choice, 0, "the frequency sweep"},
    {"sweep-start", Kind::Value, model | waveform, "the sweep's start frequency"},
    {"sweep-stop", Kind::Value, model | waveform, "the sweep's stop frequency"},
    {"sweep-rate", Kind::Value, 0, "the sweep's duration"},
    {"modulation", Kind::Choice, 0, "the modulation and its source"},
    {"mod-shape", Kind::Choice, model, "the modulating waveform (the KX12A: sine)"},
    {"mod-frequency", Kind::Value, 0, "the modulating frequency"},
    {"depth", Kind::Value, 0, "the AM depth (internal AM only)"},
    {"deviation", Kind::Value, model | waveform, "the FM deviation (internal FM only)"},
    {"trigger-mode", Kind::Choice, 0, "the operating mode"},
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

QString withoutTrailingBlanks(QString text) {
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

// The value of a Value name: its number as typed and the setting its unit chooses.
bool parseValue(Request& r, const QString& value, QString* error) {
    QStringList unitList = units(*r.name);
    std::sort(unitList.begin(), unitList.end(),
              [](const QString& a, const QString& b) { return a.size() > b.size(); });
    QString unit;
    for (const QString& u : unitList) {
        if (value.endsWith(u) && value.size() > u.size()) {
            unit = u;
            break;
        }
    }
    const QString name = QString::fromLatin1(r.name->name);
    const QString takes = units(*r.name).join(QStringLiteral(", "));
    if (unit.isEmpty()) {
        const QString typedUnit = trailingUnit(value);
        if (!typedUnit.isEmpty()) {
            *error = QStringLiteral("%1 takes %2, not %3").arg(name, takes, typedUnit);
            return false;
        }
        if (unitList.size() > 1) {
            *error = QStringLiteral("%1 needs a unit: %2").arg(name, takes);
            return false;
        }
        unit = unitList.first();
        r.typed = value;
    } else {
        r.typed = withoutTrailingBlanks(value.chopped(unit.size()));
    }
    r.setting = kx::findSetting(name);
    r.unit = r.setting->unit(unit);
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
    const QString value = args.mid(1).join(QString());
    if (value.isEmpty()) {
        *error = QStringLiteral("set %1 needs a value").arg(args.first());
        return false;
    }
    switch (r.name->kind) {
    case Kind::Value:
        return parseValue(r, value, error);
    case Kind::Duty:
        r.typed =
            value.endsWith(QLatin1Char('%')) ? withoutTrailingBlanks(value.chopped(1)) : value;
        return true;
    case Kind::Burst:
        r.typed = value;
        return true;
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
        "Exit status: 0 done; 1 refused by a check (its numbered text on standard error);\n"
        "2 usage; 3 the link (no such port or device, in use, no permission, lost);\n"
        "4 no valid answer from the generator.\n");
    return out;
}

} // namespace kxctl
