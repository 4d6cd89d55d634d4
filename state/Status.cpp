#include "state/Status.h"

#include "state/Profile.h"

namespace kx {

Status readStatus(Exchange& link, modVariables& vars) {
    Status s;
    // Answers that were read but not understood; named once the reading is done.
    QStringList notUnderstood;
    s.result = guarded([&] {
        const QString wave = ask(link, QStringLiteral("FUNC?")).left(3);
        for (const Waveform& w : waveforms) {
            if (wave == w.keyword())
                s.waveform = &w;
        }
        if (s.waveform)
            vars.waveShape = QString::fromLatin1(s.waveform->shape);
        else
            notUnderstood << QStringLiteral("FUNC?");

        const std::pair<const ReadBack*, std::optional<Result::Answer>*> levels[] = {
            {&readBacks::outputFrequency, &s.frequency},
            {&readBacks::amplitude, &s.amplitude},
            {&readBacks::offset, &s.offset},
        };
        for (const auto& [r, shown] : levels) {
            Result::Answer answer;
            switch (readBack(link, vars, *r, answer)) {
            case modVariables::Decoded::Ok:
                *shown = answer;
                break;
            case modVariables::Decoded::NoMatch:
                notUnderstood << QString::fromLatin1(r->query);
                break;
            case modVariables::Decoded::Failed:
                return Result::noAnswer(QString::fromLatin1(r->query));
            }
        }

        const QString mode = ask(link, QStringLiteral("MODE?"));
        const QString modeLine = mode.left(mode.indexOf(QLatin1Char('\r')));
        if (modeLine.isEmpty()) {
            notUnderstood << QStringLiteral("MODE?");
        } else {
            s.mode = modeLine.left(4);
            vars.mode = *s.mode;
        }

        for (const auto& [query, line] : {std::pair{"SWE?", &s.sweep}, {"MODUL?", &s.modulation}}) {
            if (!vars.firstReplyLine(ask(link, QString::fromLatin1(query), false)))
                return Result::noAnswer(QString::fromLatin1(query));
            *line = vars.replyLine;
        }
        // Last, so that the light beside the output buttons follows the generator.
        s.output = outputState(ask(link, QStringLiteral("OUT?")));
        if (!s.output)
            notUnderstood << QStringLiteral("OUT?");
        if (!notUnderstood.isEmpty())
            return Result::noAnswer(notUnderstood.join(QStringLiteral(", ")));
        return Result{};
    });
    return s;
}

} // namespace kx
