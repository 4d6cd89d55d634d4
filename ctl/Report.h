#pragma once

#include "ctl/Ctl.h"
#include "ctl/Session.h"

#include <QString>
#include <QStringList>

namespace kxctl {

// What kx-ctl says: results on standard output, as lines for a person or as JSON, and
// refusals and failures on standard error.

// Writes what a command gave: its results, then why it was refused or failed. `where`
// names a run file's line.
void report(Environment& env, const Options& options, const QString& where, const QString& command,
            const QStringList& sent, const Outcome& o);

// A run file not sent because the generator would refuse `refused` of its lines, said
// above by report(); the status Refused.
int nothingSent(Environment& env, const QString& file, int refused);

// "n/N request", on standard error, before a run file's line n of N is carried out.
void progress(Environment& env, int n, int of, const QString& request);

// A command line or run file not understood: says why; the status Usage.
int usage(Environment& env, const QString& message);

// `status`, once what was written to standard output has gone; Output when it cannot be.
int written(Environment& env, int status);

// Says which signal stopped kx-ctl; the status for it.
int stopped(Environment& env);

} // namespace kxctl
