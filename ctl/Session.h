#pragma once

#include "ctl/Ctl.h"
#include "link/Exchange.h"
#include "link/Traffic.h"
#include "state/Request.h"
#include "state/modVariables.h"

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

namespace kxctl {

// One result: a line for the operator and the same as a JSON object.
struct Item {
    QString human;
    QJsonObject json;
    bool severalLines = false; // `human` holds lines ended by LF, each shown as one
};

// How one command ended.
struct Outcome {
    int status = Done;
    QList<Item> items;
    QString message;           // why it was refused or failed
    std::optional<short> code; // the refusal's number, where it has one
    QString query;             // the question that got no valid answer
};

struct Options {
    QString device;
    QString portName; // how the port is named to the operator
    bool json = false;
    bool keepGoing = false;
};

// The commands carried out on the instrument layer, one session of an open port.
class Session {
public:
    Session(Environment& env, const Options& options);
    ~Session();

    Outcome execute(const kx::Request& r);
    // Checks a run file's lines against the generator before the first goes out (see
    // kx::checkRunFile), each line it would refuse into `refused` with its number.
    Outcome check(QList<kx::RequestLine>& lines, QList<std::pair<int, Outcome>>* refused);
    // Every line sent for the command just executed.
    QStringList sent() const;

private:
    Outcome ports();
    Outcome identify();
    Outcome limits();
    Outcome set(const kx::Request& r);
    Outcome memory(const kx::Request& r);
    Outcome status();
    Outcome send(const QString& line);
    Outcome saveSetup(const QString& file);
    Outcome open();

    Environment& env_;
    const Options& options_;
    kx::Traffic traffic_;
    kx::Exchange link_;
    kx::modVariables vars_;
    // What the run file's check learned is the generator's state for its first line.
    bool learned_ = false;
};

} // namespace kxctl
