#include "state/StatusRefresh.h"

#include "app/BusyState.h"
#include "app/Operations.h"
#include "link/Exchange.h"
#include "link/LinkError.h"
#include "state/Number.h"
#include "state/modVariables.h"
#include "ui_Main.h"

#include <QStringList>

namespace kx {

namespace {

struct WaveRow {
    const char* reply;
    const char* shape;
    const char* picture;
};

constexpr WaveRow waveRows[] = {
    {"SIN", "sine", "SINE"},
    {"SQU", "square", "SQUARE"},
    {"TRI", "ramp", "RAMP"},
};

struct FunctionRow {
    const char* line;
    const char* indicator;
    const char* source; // nullptr: source unchanged
};

constexpr FunctionRow sweepRows[] = {
    {"LIN ON", "Linear Sweep", nullptr},
    {"LOG ON", "Log Sweep", nullptr},
};

constexpr FunctionRow modulationRows[] = {
    {"AM INT", "AM Modulation", "INT"},
    {"AM EXT", "AM Modulation", "EXT"},
    {"FM INT", "FM Modulation", "INT"},
    {"FM EXT", "FM Modulation", "EXT"},
};

} // namespace

QString StatusRefresh::ask(const QString& query, bool trim) {
    ctx_.link.processEcho(query);
    const QString reply = ctx_.link.readReceived();
    return trim ? trimBlanks(reply) : reply;
}

void StatusRefresh::update() {
    // Answers that were read but not understood; named once the refresh is done.
    QStringList notUnderstood;
    modVariables& vars = ctx_.vars;
    Ui::Main& ui = ctx_.ui;

    QString wave;
    {
        BusyGuard busy(ctx_.busy);
        wave = ask(QStringLiteral("FUNC?")).left(3);
    }
    bool waveKnown = false;
    for (const WaveRow& row : waveRows) {
        if (wave == QLatin1String(row.reply)) {
            vars.waveShape = QString::fromLatin1(row.shape);
            showWavePicture(ui, QString::fromLatin1(row.picture));
            waveKnown = true;
        }
    }
    if (!waveKnown)
        notUnderstood << QStringLiteral("FUNC?");

    BusyGuard busy(ctx_.busy);

    const QString freq = ask(QStringLiteral("FREQ?"));
    switch (vars.decodeFrequencyReply(freq)) {
    case modVariables::Decoded::Ok:
        ui.frequency->setText(vars.freqDisplay);
        ui.frequencyUnit->setText(vars.freqUnit);
        vars.outputFrequencyHz = parseNumber(vars.freqHzText);
        break;
    case modVariables::Decoded::NoMatch:
        notUnderstood << QStringLiteral("FREQ?");
        break;
    case modVariables::Decoded::Failed:
        throw noValidAnswer(QStringLiteral("FREQ?"));
    }

    for (const auto& [query, display] : {std::pair{QStringLiteral("AMPL?"), ui.amp},
                                         std::pair{QStringLiteral("OFFS?"), ui.offset}}) {
        switch (vars.decodeLevelReply(ask(query))) {
        case modVariables::Decoded::Ok:
            display->setText(vars.levelText);
            break;
        case modVariables::Decoded::NoMatch:
            notUnderstood << query;
            break;
        case modVariables::Decoded::Failed:
            throw noValidAnswer(query);
        }
    }

    // The mode is shown as the generator words it, four characters of its first line.
    const QString mode = ask(QStringLiteral("MODE?"));
    const QString modeLine = mode.left(mode.indexOf(QLatin1Char('\r')));
    if (modeLine.isEmpty())
        notUnderstood << QStringLiteral("MODE?");
    else
        ui.mode->setText(modeLine.left(4));

    if (!vars.firstReplyLine(ask(QStringLiteral("SWE?"), false)))
        throw noValidAnswer(QStringLiteral("SWE?"));
    QString indicator;
    for (const FunctionRow& row : sweepRows) {
        if (vars.replyLine == QLatin1String(row.line))
            indicator = QString::fromLatin1(row.indicator);
    }
    ui.funcIndicator->setText(indicator);

    if (!vars.firstReplyLine(ask(QStringLiteral("MODUL?"), false)))
        throw noValidAnswer(QStringLiteral("MODUL?"));
    for (const FunctionRow& row : modulationRows) {
        if (vars.replyLine == QLatin1String(row.line)) {
            ui.funcIndicator->setText(QString::fromLatin1(row.indicator));
            ui.source->setText(QString::fromLatin1(row.source));
        }
    }

    busy.release();
    if (!notUnderstood.isEmpty())
        throw noValidAnswer(notUnderstood.join(QStringLiteral(", ")));
}

void StatusRefresh::updateDisplay_Click() {
    ctx_.ops.run(Operations::Needs::Port, [this] { update(); });
}

} // namespace kx
