#include "state/StatusRefresh.h"

#include "app/BusyState.h"
#include "app/Operations.h"
#include "link/LinkError.h"
#include "state/Profile.h"
#include "state/ReadBack.h"
#include "state/modVariables.h"
#include "ui_Main.h"

#include <QStringList>

namespace kx {

namespace {

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

void StatusRefresh::update() {
    // Answers that were read but not understood; named once the refresh is done.
    QStringList notUnderstood;
    modVariables& vars = ctx_.vars;
    Ui::Main& ui = ctx_.ui;

    QString wave;
    {
        BusyGuard busy(ctx_.busy);
        wave = ask(ctx_, QStringLiteral("FUNC?")).left(3);
    }
    const Waveform* known = nullptr;
    for (const Waveform& w : waveforms) {
        if (wave == w.keyword())
            known = &w;
    }
    if (known) {
        vars.waveShape = QString::fromLatin1(known->shape);
        showWavePicture(ui, QString::fromLatin1(known->picture));
    } else {
        notUnderstood << QStringLiteral("FUNC?");
    }

    BusyGuard busy(ctx_.busy);

    for (const ReadBack* r :
         {&readBacks::outputFrequency, &readBacks::amplitude, &readBacks::offset}) {
        switch (readBack(ctx_, *r)) {
        case modVariables::Decoded::Ok:
            break;
        case modVariables::Decoded::NoMatch:
            notUnderstood << QString::fromLatin1(r->query);
            break;
        case modVariables::Decoded::Failed:
            throw noValidAnswer(QString::fromLatin1(r->query));
        }
    }

    // The mode is shown as the generator words it, four characters of its first line.
    const QString mode = ask(ctx_, QStringLiteral("MODE?"));
    const QString modeLine = mode.left(mode.indexOf(QLatin1Char('\r')));
    if (modeLine.isEmpty())
        notUnderstood << QStringLiteral("MODE?");
    else
        ui.mode->setText(modeLine.left(4));

    if (!vars.firstReplyLine(ask(ctx_, QStringLiteral("SWE?"), false)))
        throw noValidAnswer(QStringLiteral("SWE?"));
    QString indicator;
    for (const FunctionRow& row : sweepRows) {
        if (vars.replyLine == QLatin1String(row.line))
            indicator = QString::fromLatin1(row.indicator);
    }
    ui.funcIndicator->setText(indicator);

    if (!vars.firstReplyLine(ask(ctx_, QStringLiteral("MODUL?"), false)))
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
