#include "state/Wire.h"

#include "link/Exchange.h"
#include "state/Memory.h"
#include "state/Number.h"
#include "state/Profile.h"
#include "state/Request.h"
#include "state/Status.h"

namespace kx {

namespace {

using K = WireLine::Kind;

// The keyword of a line as the panel writes it: "FREQ " -> "FREQ".
QString keywordOf(const char* line) {
    return QString::fromLatin1(line).section(QLatin1Char(' '), 0, 0);
}

bool same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The unit of `s` written `text`, as its suffix on the line or its name, letter case
// aside; for no text, the base unit.
const Unit* unitWritten(const Setting& s, const QString& text) {
    for (const Unit& u : s.units) {
        if (text.isEmpty()
                ? u.factor == 1
                : same(text, QLatin1String(u.suffix)) || same(text, QLatin1String(u.name)))
            return &u;
    }
    return nullptr;
}

// The letters (and a per cent sign) at the end of a value: its unit.
QString trailingUnit(const QString& value) {
    qsizetype i = value.size();
    while (i > 0 && (value.at(i - 1).isLetter() || value.at(i - 1) == QLatin1Char('%')))
        --i;
    return value.mid(i);
}

// What a check of a line of `command` needs to know: what the name whose words choose
// that command needs.
Facts needsOf(const Command* command) {
    for (const Name& n : names()) {
        for (const Word& w : words(n)) {
            if (w.command == command)
                return n.needs;
        }
    }
    return 0;
}

// Every fixed line, with the command (and option) it belongs to: options first, since
// the checks are theirs.
struct FixedLine {
    QString line;
    const Command* command;
    int option;
};
const QList<FixedLine>& fixedLines() {
    static const QList<FixedLine> all = [] {
        QList<FixedLine> out;
        for (const Command* c : allCommands()) {
            for (std::size_t i = 0; i < c->options.size(); ++i) {
                for (const char* line : c->options[i].lines)
                    out << FixedLine{QString::fromLatin1(line), c, int(i)};
            }
        }
        for (const Command* c : allCommands()) {
            for (const char* line : c->lines)
                out << FixedLine{QString::fromLatin1(line), c, -1};
        }
        for (std::size_t i = 0; i < std::size(waveforms); ++i)
            out << FixedLine{QString::fromLatin1(waveforms[i].line), nullptr, int(i)};
        out << FixedLine{QStringLiteral("OUT ON"), nullptr, 1}
            << FixedLine{QStringLiteral("OUT OFF"), nullptr, 0};
        return out;
    }();
    return all;
}

WireLine malformed(const QString& why) { return {.kind = K::Malformed, .problem = why}; }

// The arguments the fixed lines of `keyword` take, joined by ", "; empty when it has none.
QString fixedArguments(const QString& keyword) {
    QStringList arguments;
    for (const FixedLine& f : fixedLines()) {
        if (f.line.section(QLatin1Char(' '), 0, 0) == keyword &&
            !arguments.contains(f.line.section(QLatin1Char(' '), 1)))
            arguments << f.line.section(QLatin1Char(' '), 1);
    }
    return arguments.join(QStringLiteral(", "));
}

WireLine valueLine(const Setting& s, const QString& keyword, const QString& argument) {
    const QString unit = trailingUnit(argument);
    const QString number = argument.chopped(unit.size()).trimmed();
    const Unit* u = unitWritten(s, unit);
    if (!u || number.isEmpty()) {
        QStringList all;
        for (const Unit& each : s.units)
            all << QString::fromLatin1(*each.suffix ? each.suffix : each.name);
        QString why = QStringLiteral("%1 takes a number in %2").arg(keyword, all.join(", "));
        if (const QString words = fixedArguments(keyword); !words.isEmpty())
            why += QStringLiteral(" or one of %1").arg(words);
        return malformed(why + QStringLiteral(", not %1").arg(argument));
    }
    return {.kind = K::Value,
            .setting = &s,
            .unit = u,
            .typed = number,
            .needs = s.needs,
            .line = QLatin1String(s.line) + number + QLatin1String(u->suffix)};
}

WireLine memoryLine(const QString& keyword, const QString& argument) {
    if (keyword == QLatin1String("*RCL") && parseNumber(argument) == 0.0)
        return {.kind = K::Factory, .line = QStringLiteral("*RCL 0")};
    return {.kind = keyword == QLatin1String("*SAV") ? K::Save : K::Recall,
            .typed = argument,
            .needs = fact::model,
            .line = keyword + QLatin1Char(' ') + argument};
}

} // namespace

const QStringList& generatorQueries() {
    static const QStringList all = [] {
        // The status reading's questions, in its order (state/Status.h).
        QStringList out{QStringLiteral("*IDN?"), QStringLiteral("FUNC?"),  QStringLiteral("FREQ?"),
                        QStringLiteral("AMPL?"), QStringLiteral("OFFS?"),  QStringLiteral("MODE?"),
                        QStringLiteral("SWE?"),  QStringLiteral("MODUL?"), QStringLiteral("OUT?")};
        for (const Setting* s : allSettings()) {
            for (const char* query : {s->readBack.query, s->asks.query}) {
                if (query && !out.contains(QLatin1String(query)))
                    out << QString::fromLatin1(query);
            }
        }
        return out;
    }();
    return all;
}

QString knownQuery(const QString& line) {
    const QString asked = line.trimmed().toUpper();
    return generatorQueries().contains(asked) ? asked : QString();
}

WireLine readWireLine(const QString& text) {
    const QString line = text.simplified();
    const QString keyword = line.section(QLatin1Char(' '), 0, 0).toUpper();
    const QString argument = line.section(QLatin1Char(' '), 1);
    const QString upper =
        keyword + (argument.isEmpty() ? QString() : QLatin1Char(' ') + argument.toUpper());
    for (const FixedLine& f : fixedLines()) {
        if (f.line != upper)
            continue;
        if (f.command)
            return {.kind = K::Fixed,
                    .command = f.command,
                    .option = f.option,
                    .needs = needsOf(f.command),
                    .line = f.line};
        return {.kind = keyword == QLatin1String("OUT") ? K::Output : K::Waveform,
                .index = f.option,
                .line = f.line};
    }
    const bool memory = keyword == QLatin1String("*SAV") || keyword == QLatin1String("*RCL");
    const Setting* setting = nullptr;
    for (const Setting* s : allSettings()) {
        if (keyword == keywordOf(s->line))
            setting = s;
    }
    const QString words = fixedArguments(keyword);
    if (!memory && !setting && keyword != QLatin1String("DCYC") && words.isEmpty())
        return {};
    if (argument.isEmpty())
        return malformed(QStringLiteral("%1 needs a value").arg(keyword));
    if (memory)
        return memoryLine(keyword, argument);
    if (keyword == QLatin1String("DCYC")) {
        QString number = argument;
        if (number.endsWith(QLatin1Char('%')))
            number = number.chopped(1).trimmed();
        return {.kind = K::Duty,
                .typed = number,
                .needs = findName(QStringLiteral("duty"))->needs,
                .line = QStringLiteral("DCYC ") + number};
    }
    if (setting)
        return valueLine(*setting, keyword, argument);
    return malformed(QStringLiteral("%1 takes %2, not %3").arg(keyword, words, argument));
}

Result relay(Exchange& link, modVariables& vars, const WireLine& w) {
    if (const Result r = learn(link, vars, w.needs); r.kind != Result::Kind::Done)
        return r;
    return guarded([&] {
        switch (w.kind) {
        case K::Unknown:
        case K::Malformed:
            return Result::refused(w.problem);
        case K::Value: {
            const Setting& s = *w.setting;
            if (s.asks.query) {
                const QLatin1String expected(s.asks.expected);
                if (ask(link, QString::fromLatin1(s.asks.query)).left(expected.size()) != expected)
                    return Result::refused(s.asks.code);
            }
            double value = 0;
            if (const Result r = check(vars, s, *w.unit, w.typed, &value);
                r.kind != Result::Kind::Done)
                return r;
            link.processEcho(w.line);
            vars.sent[QLatin1String(s.name)] = w.typed + QLatin1String(w.unit->name);
            return Result{};
        }
        case K::Fixed: {
            if (const Result r = check(vars, *w.command); r.kind != Result::Kind::Done)
                return r;
            const Word word{{}, w.command, w.option};
            if (const Result r = checkOffered(vars.modelName, word); r.kind != Result::Kind::Done)
                return r;
            link.processEcho(w.line);
            // A line that is its command whole (a trigger source, a modulating shape) is
            // what the set-up written from this generator takes.
            if (w.option >= 0 && w.command->lines.empty() &&
                w.command->options[std::size_t(w.option)].lines.size() == 1)
                vars.sent[QLatin1String(w.command->name)] =
                    QLatin1String(w.command->options[std::size_t(w.option)].name);
            return Result{};
        }
        case K::Waveform:
            link.processEcho(w.line);
            vars.waveShape = QLatin1String(waveforms[std::size_t(w.index)].shape);
            return Result{};
        case K::Output:
            link.processEcho(w.line);
            return Result{};
        case K::Duty:
            return setDuty(link, vars, w.typed);
        case K::Save:
        case K::Recall: {
            const MemoryLocation m = checkMemoryLocation(vars.modelName, w.typed);
            if (!m.location)
                return Result::refused(m.problem);
            return store(link, vars, w.kind == K::Save ? Store::Save : Store::Recall, *m.location);
        }
        case K::Factory:
            return store(link, vars, Store::Factory);
        }
        return Result{};
    });
}

} // namespace kx
