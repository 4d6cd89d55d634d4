#include "state/Status.h"

#include "link/Exchange.h"
#include "link/Identify.h"
#include "state/Number.h"
#include "state/Profile.h"

namespace kx {

namespace {

// The waveform the answer to "FUNC?" names, kept in `vars`; nullptr when it names none.
const Waveform* waveformOf(const QString& answer, modVariables& vars) {
    const QString wave = answer.left(3);
    for (const Waveform& w : waveforms) {
        if (wave == w.keyword()) {
            vars.waveShape = QString::fromLatin1(w.shape);
            return &w;
        }
    }
    return nullptr;
}

// The mode as the generator words it, 4 characters of the answer's first line, kept in
// `vars`; empty when the line is.
QString modeOf(const QString& answer, modVariables& vars) {
    const QString mode = firstLine(answer).left(4);
    if (!mode.isEmpty())
        vars.mode = mode;
    return mode;
}

// The one of `candidates` after whose lines the generator answers `answer` to the query
// of `keyword`.
std::optional<Choice> among(const QList<Choice>& candidates, const char* keyword,
                            const QString& answer, Qt::CaseSensitivity cs = Qt::CaseSensitive) {
    for (const Choice& c : candidates) {
        if (answerAfter(c, keyword).compare(answer, cs) == 0)
            return c;
    }
    return std::nullopt;
}

} // namespace

Status readStatus(Exchange& link, modVariables& vars) {
    Status s;
    // Answers that were read but not understood; named once the reading is done.
    QStringList notUnderstood;
    const auto understood = [&](const char* query, bool yes) {
        if (!yes)
            notUnderstood << QString::fromLatin1(query);
        return yes;
    };
    const auto asked = [&](const char* query, bool trim = true) {
        const QString q = QString::fromLatin1(query);
        const QString answer = ask(link, q, trim);
        s.answers.insert(q, firstLine(trimBlanks(answer)));
        return answer;
    };
    s.result = guarded([&] {
        s.waveform = waveformOf(asked("FUNC?"), vars);
        understood("FUNC?", s.waveform != nullptr);

        const std::pair<const ReadBack*, std::optional<Result::Answer>*> levels[] = {
            {&readBacks::outputFrequency, &s.frequency},
            {&readBacks::amplitude, &s.amplitude},
            {&readBacks::offset, &s.offset},
        };
        for (const auto& [r, shown] : levels) {
            Result::Answer answer;
            const modVariables::Decoded decoded = readBack(link, vars, *r, answer);
            s.answers.insert(QString::fromLatin1(r->query), answer.reply);
            if (decoded == modVariables::Decoded::Failed)
                return Result::noAnswer(QString::fromLatin1(r->query));
            if (understood(r->query, decoded == modVariables::Decoded::Ok))
                *shown = answer;
        }

        const QString mode = modeOf(asked("MODE?"), vars);
        if (understood("MODE?", !mode.isEmpty()))
            s.mode = mode;
        s.modeChoice = among(choicesOf(commands::mode), "MODE", mode, Qt::CaseInsensitive);

        using namespace commands;
        const struct {
            const char* query;
            const char* keyword;
            QList<Choice> choices;
            Choice otherwise;
            std::optional<Choice>* decoded;
        } functions[] = {
            {"SWE?", "SWE", {{&linearSweep}, {&logSweep}}, {&sweepOff}, &s.sweep},
            {"MODUL?", "MODUL", choicesOf(modulation), {&modulationOff}, &s.modulation},
        };
        for (const auto& f : functions) {
            if (!vars.firstReplyLine(asked(f.query, false)))
                return Result::noAnswer(QString::fromLatin1(f.query));
            *f.decoded = among(f.choices, f.keyword, vars.replyLine).value_or(f.otherwise);
        }
        // Last, so that the light beside the output buttons follows the generator.
        s.output = outputState(asked("OUT?"));
        understood("OUT?", s.output.has_value());
        if (!notUnderstood.isEmpty())
            return Result::noAnswer(notUnderstood.join(QStringLiteral(", ")));
        return Result{};
    });
    return s;
}

Result learn(Exchange& link, modVariables& vars, Facts facts) {
    return guarded([&] {
        if (facts & fact::model) {
            const Identity id = identify(link);
            if (id.model.isEmpty())
                return Result::noAnswer(QStringLiteral("*IDN?"));
            vars.modelName = id.model;
        }
        if ((facts & fact::waveform) && !waveformOf(ask(link, QStringLiteral("FUNC?")), vars))
            return Result::noAnswer(QStringLiteral("FUNC?"));
        const std::pair<Facts, const ReadBack*> levels[] = {
            {fact::outputFrequency, &readBacks::outputFrequency},
            {fact::amplitude, &readBacks::amplitude},
            {fact::offset, &readBacks::offset},
        };
        for (const auto& [known, r] : levels) {
            Result::Answer answer;
            if ((facts & known) && readBack(link, vars, *r, answer) != modVariables::Decoded::Ok)
                return Result::noAnswer(QString::fromLatin1(r->query));
        }
        if ((facts & fact::mode) && modeOf(ask(link, QStringLiteral("MODE?")), vars).isEmpty())
            return Result::noAnswer(QStringLiteral("MODE?"));
        return Result{};
    });
}

} // namespace kx
