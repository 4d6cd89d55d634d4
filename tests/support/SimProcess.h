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
    // What it has written to stderr so far (all of it once it has ended).
    QString errors();
    // Stops it if it still runs, and returns the number of its exit line
    // "kx-sim: N lines rejected" (N lines the strict simulator rejected); -1 when that
    // line is missing or comes more than once.
    qint64 rejectedOnExit();

private:
    QString errors_;
};

} // namespace kxtest
