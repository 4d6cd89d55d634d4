#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace kxtest {

// kx-sim started as its own process in a private configuration directory, stopped
// when the test is done with it (or fails midway).
struct SimProcess {
    QTemporaryDir config;
    std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
    // From its start line.
    QString model;
    QString device;
    QString link;

    ~SimProcess() { stop(); }

    QString portsFolder() const { return config.path() + QStringLiteral("/kx-panel/ports"); }

    // Starts kx-sim and reads its start line; false (with a reason) if it does not come.
    bool start(const QStringList& arguments, QString* why = nullptr);
    // Terminates it and waits for it to end.
    void stop();
};

} // namespace kxtest
