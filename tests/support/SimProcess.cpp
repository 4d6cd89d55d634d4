#include "support/SimProcess.h"

#include <QDeadlineTimer>
#include <QProcessEnvironment>
#include <QRegularExpression>

namespace kxtest {

bool SimProcess::start(const QStringList& arguments, QString* why) {
    QString reason;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->start(QStringLiteral(KX_SIM_PATH), arguments);
    if (!process->waitForStarted(3000)) {
        if (why)
            *why = process->errorString();
        return false;
    }
    QDeadlineTimer deadline(5000);
    while (!process->canReadLine() && !deadline.hasExpired()) {
        if (!process->waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            break;
    }
    const QString line = QString::fromLocal8Bit(process->readLine()).trimmed();
    static const QRegularExpression form(
        QStringLiteral(R"(^kx-sim: (KX\w+) on (\S+)(?: as port (\d+) \((.+)\))?$)"));
    const QRegularExpressionMatch match = form.match(line);
    if (!match.hasMatch()) {
        if (why)
            *why = QStringLiteral("start line \"%1\", stderr \"%2\"").arg(line, errors());
        return false;
    }
    model = match.captured(1);
    device = match.captured(2);
    link = match.captured(4);
    return true;
}

QString SimProcess::errors() {
    errors_ += QString::fromLocal8Bit(process->readAllStandardError());
    return errors_;
}

qint64 SimProcess::rejectedOnExit() {
    stop();
    static const QRegularExpression form(QStringLiteral(R"(^kx-sim: (\d+) lines? rejected$)"),
                                         QRegularExpression::MultilineOption);
    const QString text = errors();
    QRegularExpressionMatchIterator it = form.globalMatch(text);
    if (!it.hasNext())
        return -1;
    const qint64 count = it.next().captured(1).toLongLong();
    return it.hasNext() ? -1 : count;
}

void SimProcess::stop() {
    if (process->state() == QProcess::NotRunning)
        return;
    process->terminate();
    if (!process->waitForFinished(5000))
        process->kill();
    process->waitForFinished(2000);
}

} // namespace kxtest
