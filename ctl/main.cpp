#include "ctl/Ctl.h"
#include "link/Clock.h"
#include "link/SerialPort.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    kx::QtSerialPort port;
    kx::RealClock clock;
    QTextStream out(stdout);
    QTextStream err(stderr);
    kxctl::Environment env{port, clock, out, err};
    env.read = [](const QString& name) -> std::optional<QByteArray> {
        QFile file(name);
        const bool opened = name == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                       : file.open(QIODevice::ReadOnly);
        if (!opened)
            return std::nullopt;
        return file.readAll();
    };
    return kxctl::run(QCoreApplication::arguments().mid(1), env);
}
