#include "state/Setup.h"

#include "link/Exchange.h"
#include "state/Memory.h"
#include "state/Profile.h"
#include "state/Refusals.h"

#include <QStringList>

namespace kx {

namespace {

QString withUnit(const std::optional<Result::Answer>& a, const char* unit) {
    return a->value + (a->unit.isEmpty() ? QLatin1String(unit) : a->unit);
}

} // namespace

SetupReading readSetup(Exchange& link, modVariables& vars) {
    SetupReading r;
    r.status = readStatus(link, vars);
    r.result = r.status.result;
    const Status& s = r.status;
    if (r.result.kind != Result::Kind::Done)
        return r;
    if (!s.modeChoice)
        r.result = Result::noAnswer(QStringLiteral("MODE?"));
    const std::pair<const Setting*, std::optional<Result::Answer>*> more[] = {
        {&settings::sweepStart, &r.sweepStart},
        {&settings::sweepStop, &r.sweepStop},
        {&settings::modulationFrequency, &r.modulationFrequency},
    };
    if (r.result.kind == Result::Kind::Done)
        r.result = guarded([&] {
            for (const auto& [setting, answer] : more) {
                Result::Answer a;
                if (readBack(link, vars, setting->readBack, a) != modVariables::Decoded::Ok)
                    return Result::noAnswer(QString::fromLatin1(setting->readBack.query));
                *answer = a;
            }
            return Result{};
        });
    return r;
}

QString writeSetup(const SetupReading& r, const modVariables& vars, const QString& program,
                   const QDateTime& when) {
    const Status& s = r.status;
    QStringList out{
        QStringLiteral("# A set-up of the %1, read from it on %2 by %3 %4.")
            .arg(vars.modelName, when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), program,
                 QStringLiteral(KX_VERSION)),
        QStringLiteral("# kx-ctl run FILE applies it, as kx-panel's File > Open Set-up... does.")};
    QStringList missing;
    const auto set = [&](const char* name, const QString& value, bool reported = true) {
        out << QStringLiteral("set %1 %2").arg(QLatin1String(name), value) +
                   (reported ? QString() : QStringLiteral("  # sent, not read back"));
    };
    const auto sent = [&](const char* name) {
        const QString value = vars.sent.value(QLatin1String(name));
        if (value.isEmpty())
            missing << QLatin1String(name);
        else
            set(name, value, false);
    };
    set("waveform", QLatin1String(s.waveform->shape));
    // Above its highest frequency for a variable duty cycle the generator takes no duty
    // cycle, but keeps the one it had: that went out before the frequency went up, and
    // goes before it here too.
    const DutyLimits* duty = dutyLimits(QLatin1String(s.waveform->shape));
    const bool dutyFirst =
        duty && vars.outputFrequencyHz && *vars.outputFrequencyHz > duty->highestFrequencyHz;
    if (dutyFirst)
        sent("duty");
    set("frequency", withUnit(s.frequency, "Hz"));
    if (duty && !dutyFirst)
        sent("duty");
    set("amplitude", withUnit(s.amplitude, "V"));
    set("offset", withUnit(s.offset, "V"));
    const QString sweep = wordOf("sweep", s.sweep);
    const QString modulation = wordOf("modulation", s.modulation);
    if (sweep != QLatin1String("off")) {
        set("sweep", sweep);
        set("sweep-start", withUnit(r.sweepStart, "Hz"));
        set("sweep-stop", withUnit(r.sweepStop, "Hz"));
        sent("sweep-rate");
    } else if (modulation != QLatin1String("off")) {
        set("modulation", modulation);
        // The modulating frequency, shape, depth and deviation are the generator's own
        // source's.
        if (modulation.endsWith(QLatin1String("-int"))) {
            set("mod-frequency", withUnit(r.modulationFrequency, "Hz"));
            sent("mod-shape");
            sent(modulation == QLatin1String("am-int") ? "depth" : "deviation");
        }
    } else {
        const QString mode = wordOf("trigger-mode", s.modeChoice);
        set("trigger-mode", mode);
        if (mode != QLatin1String("continuous")) {
            sent("trigger-source");
            sent("trigger-rate");
        }
    }
    set("output", *s.output ? QStringLiteral("on") : QStringLiteral("off"));
    if (!missing.isEmpty())
        out << QStringLiteral("# Not sent on this connection, so left out: %1.")
                   .arg(missing.join(QStringLiteral(", ")));
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString RefusedLine::text() const {
    const QString why = result.code ? QStringLiteral("refused (%1): %2")
                                          .arg(result.code)
                                          .arg(QLatin1String(findRefusal(result.code)->text))
                                    : QStringLiteral("refused: ") + result.problem;
    return QStringLiteral("%1: %2: %3").arg(number).arg(request, why);
}

namespace {

// What a request would do to the generator as `vars` and `modulation` know it: refused,
// or done with both brought up to date.
Result foresee(const Request& r, modVariables& vars, std::optional<Choice>& modulation) {
    switch (r.name->kind) {
    case Kind::Value: {
        const Setting& s = *r.name->setting;
        // The depth and the deviation need the modulation they are for.
        if (s.asks.query && modulation &&
            !answerAfter(*modulation, "MODUL").startsWith(QLatin1String(s.asks.expected)))
            return Result::refused(s.asks.code);
        double value = 0;
        if (const Result c = check(vars, s, *r.unit, r.typed, &value); c.kind != Result::Kind::Done)
            return c;
        if (s.readBack.records)
            vars.*s.readBack.records = value;
        return {};
    }
    case Kind::Duty:
        return checkDuty(vars, r.typed);
    case Kind::Burst:
        return checkBurst(vars, r.typed);
    case Kind::Output:
        return {};
    case Kind::Waveform: {
        vars.waveShape = QLatin1String(waveforms[std::size_t(r.word.option)].shape);
        // The generator brings the frequency down to what the waveform allows.
        const Range range = frequencyLimits(vars);
        if (vars.outputFrequencyHz && range.highest > 0 && *vars.outputFrequencyHz > range.highest)
            vars.outputFrequencyHz = range.highest;
        return {};
    }
    case Kind::Choice:
        break;
    }
    const Word& w = r.word;
    if (const Result c = check(vars, *w.command); c.kind != Result::Kind::Done)
        return c;
    if (const Result c = checkOffered(vars.modelName, w); c.kind != Result::Kind::Done)
        return c;
    const Choice choice{w.command, w.option};
    if (const QString mode = answerAfter(choice, "MODE"); !mode.isEmpty())
        vars.mode = mode;
    if (!answerAfter(choice, "MODUL").isEmpty())
        modulation = choice;
    return {};
}

bool isLevel(const Request& r) {
    return r.verb == Verb::Set &&
           (r.name->setting == &settings::amplitude || r.name->setting == &settings::offset);
}

bool foreseenDone(const Request& r, modVariables& vars, std::optional<Choice>& modulation) {
    return foresee(r, vars, modulation).kind == Result::Kind::Done;
}

} // namespace

QList<RefusedLine> checkRunFile(QList<RequestLine>& lines, const modVariables& start,
                                std::optional<Choice> modulation) {
    modVariables vars = start;
    QList<RefusedLine> refused;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Request& r = lines[i].request;
        // What the generator is after these is not known here.
        if (r.verb == Verb::Recall || r.verb == Verb::Factory || r.verb == Verb::Send)
            break;
        if (r.verb != Verb::Set)
            continue;
        // An amplitude and an offset next to each other go in the order in which both
        // keep the rule: the one that would break it at first waits for the other.
        if (i + 1 < lines.size() && isLevel(r) && isLevel(lines[i + 1].request) &&
            r.name->setting != lines[i + 1].request.name->setting) {
            modVariables asWritten = vars, swapped = vars;
            std::optional<Choice> m1 = modulation, m2 = modulation;
            if (!(foreseenDone(r, asWritten, m1) &&
                  foreseenDone(lines[i + 1].request, asWritten, m1)) &&
                foreseenDone(lines[i + 1].request, swapped, m2) && foreseenDone(r, swapped, m2))
                lines.swapItemsAt(i, i + 1);
        }
        const Result f = foresee(lines[i].request, vars, modulation);
        if (f.kind != Result::Kind::Done)
            refused << RefusedLine{lines[i].number, lines[i].request.text, f};
    }
    return refused;
}

Result carryOut(Exchange& link, modVariables& vars, const Request& r) {
    switch (r.verb) {
    case Verb::Set:
        break;
    case Verb::Save:
    case Verb::Recall: {
        const MemoryLocation m = checkMemoryLocation(vars.modelName, r.typed);
        if (!m.location)
            return Result::refused(m.problem);
        return store(link, vars, r.verb == Verb::Save ? Store::Save : Store::Recall, *m.location);
    }
    case Verb::Factory:
        return store(link, vars, Store::Factory);
    case Verb::Send:
        return guarded([&] {
            if (r.typed.endsWith(QLatin1Char('?')))
                ask(link, r.typed);
            else
                link.processEcho(r.typed);
            return Result{};
        });
    case Verb::Ports:
    case Verb::Identify:
    case Verb::Status:
    case Verb::Limits:
    case Verb::Run:
    case Verb::SaveSetup:
        return {};
    }
    switch (r.name->kind) {
    case Kind::Value:
        return apply(link, vars, *r.name->setting, *r.unit, r.typed);
    case Kind::Duty:
        return setDuty(link, vars, r.typed);
    case Kind::Burst:
        return checkBurst(vars, r.typed);
    case Kind::Choice:
    case Kind::Waveform:
    case Kind::Output:
        break;
    }
    const Word& w = r.word;
    if (r.name->kind == Kind::Waveform)
        return selectWaveform(link, vars, waveforms[std::size_t(w.option)]);
    if (r.name->kind == Kind::Output)
        return switchOutput(link, w.option == 1);
    // The panel's list offers the connected model's shapes only.
    if (const Result c = checkOffered(vars.modelName, w); c.kind != Result::Kind::Done)
        return c;
    return choose(link, vars, *w.command, w.option);
}

} // namespace kx
