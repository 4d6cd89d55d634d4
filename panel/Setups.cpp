#include "panel/Setups.h"

#include "kit/BusyState.h"
#include "kit/MessageBoxes.h"
#include "kit/Operations.h"
#include "kit/Progress.h"
#include "link/Clock.h"
#include "link/Exchange.h"
#include "link/LinkError.h"
#include "panel/Groups.h"
#include "state/Refusals.h"
#include "state/Setup.h"
#include "ui_Main.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kx {

namespace {

constexpr int recentCount = 4;

// Why a line was not carried out, as the status line says it.
QString why(const Result& r) {
    if (r.kind == Result::Kind::Refused)
        return r.code ? QStringLiteral("refused (%1): %2")
                            .arg(r.code)
                            .arg(QLatin1String(findRefusal(r.code)->text))
                      : QStringLiteral("refused: ") + r.problem;
    return noValidAnswer(r.query).message;
}

} // namespace

Setups::Setups(PanelContext ctx, Clock& clock, Progress& progress, FileName fileName,
               const QString& configDir)
    : ctx_(ctx), clock_(clock), progress_(progress), fileName_(std::move(fileName)),
      recentFile_(configDir + QStringLiteral("/kx-panel/recent-setups")) {
    QFile file(recentFile_);
    if (file.open(QIODevice::ReadOnly))
        recent_ = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    recent_ = recent_.mid(0, recentCount);
}

void Setups::mnuOpenSetup_Click() { open({}); }

void Setups::mnuSaveSetup_Click() {
    ctx_.ops.run(Operations::Needs::Port, [this] {
        const QString path = fileName_(true);
        if (!path.isEmpty())
            save(path);
    });
}

void Setups::open(const QString& path) {
    ctx_.ops.run(Operations::Needs::Port, [&] {
        const QString chosen = path.isEmpty() ? fileName_(false) : path;
        if (!chosen.isEmpty())
            apply(chosen);
    });
}

void Setups::save(const QString& path) {
    BusyGuard busy(ctx_.busy);
    const SetupReading reading = readSetup(ctx_.link, ctx_.vars);
    statusRefresh::show(ctx_, reading.status);
    busy.release();
    raise(reading.result);
    const QString text = writeSetup(reading, ctx_.vars, QStringLiteral("kx-panel"),
                                    QDateTime::fromMSecsSinceEpoch(clock_.wallMsecs()));
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw OperationFailed{QStringLiteral("The set-up cannot be written to %1").arg(path)};
    remember(path);
    ctx_.ui.message->setText(QStringLiteral("Set-up saved to %1").arg(QFileInfo(path).fileName()));
}

void Setups::apply(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw OperationFailed{QStringLiteral("The set-up %1 cannot be read").arg(path)};
    QList<RequestLine> lines;
    if (const QString error = parseRunFile(file.readAll(), &lines); !error.isEmpty())
        throw OperationFailed{name + QLatin1Char(':') + error};
    remember(path);

    // The whole file is checked against what the window shows of the generator before
    // its first line goes out.
    takeShown(ctx_);
    const QList<RefusedLine> refused = checkRunFile(lines, ctx_.vars);
    if (!refused.isEmpty()) {
        QStringList texts;
        for (const RefusedLine& r : refused)
            texts << r.text();
        ctx_.boxes.inform(MessageBoxes::Icon::Stop, QStringLiteral("Set-up Not Applied"),
                          QStringLiteral("The %1 would refuse these lines of %2, so none was "
                                         "sent:\n\n%3")
                              .arg(ctx_.vars.modelName, name, texts.join(QLatin1Char('\n'))));
        throw OperationFailed{QStringLiteral("Set-up %1 not applied: the generator would "
                                             "refuse %2 of its lines")
                                  .arg(name)
                                  .arg(refused.size())};
    }

    // Line by line at the generator's pace; Cancel stops before the next line.
    QString outcome = QStringLiteral("Set-up %1 applied: %2 lines").arg(name).arg(lines.size());
    const qint64 start = clock_.steadyMsecs();
    struct Closing {
        Progress& p;
        ~Closing() { p.close(); }
    } closing{progress_};
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int done = int(i);
        const qint64 spent = clock_.steadyMsecs() - start;
        const int left = int(((done ? spent / done : 1000) * (lines.size() - done) + 999) / 1000);
        progress_.show(done + 1, int(lines.size()), lines[i].request.text, left);
        if (progress_.cancelled()) {
            outcome = QStringLiteral("Set-up %1: stopped by Cancel before line %2 of %3")
                          .arg(name)
                          .arg(done + 1)
                          .arg(lines.size());
            break;
        }
        const Result r = carryOut(ctx_.link, ctx_.vars, lines[i].request);
        if (r.kind == Result::Kind::LinkLost)
            throw ConnectionLost{};
        if (r.kind != Result::Kind::Done) {
            outcome = QStringLiteral("Set-up %1 stopped at line %2 (%3): %4")
                          .arg(name)
                          .arg(lines[i].number)
                          .arg(lines[i].request.text, why(r));
            break;
        }
        // What a recall brings back is read, as after the memory buttons, so that the
        // lines after it are checked against it.
        const Verb verb = lines[i].request.verb;
        if (verb == Verb::Recall || verb == Verb::Factory)
            statusRefresh::update(ctx_);
    }
    progress_.close();
    // The displays follow what the generator now reports.
    statusRefresh::update(ctx_);
    ctx_.ui.message->setText(outcome);
}

void Setups::remember(const QString& path) {
    const QString full = QFileInfo(path).absoluteFilePath();
    recent_.removeAll(full);
    recent_.prepend(full);
    recent_ = recent_.mid(0, recentCount);
    QDir().mkpath(QFileInfo(recentFile_).path());
    QSaveFile file(recentFile_);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(recent_.join(QLatin1Char('\n')).toUtf8() + '\n');
        file.commit();
    }
    if (recentChanged)
        recentChanged();
}

} // namespace kx
