#pragma once

#include "kit/PanelContext.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace kx {

class Clock;
class Progress;

// Set-ups on the computer: File > Save Set-up As... writes the generator's set-up as a
// run file, File > Open Set-up... checks one against the connected generator and applies
// it line by line with a progress dialog, and the File menu lists the last four.
class Setups {
public:
    // Asks which file to open or (`save`) to save to; empty when the operator cancels.
    using FileName = std::function<QString(bool save)>;

    Setups(PanelContext ctx, Clock& clock, Progress& progress, FileName fileName,
           const QString& configDir);

    void mnuOpenSetup_Click();
    void mnuSaveSetup_Click();
    // Opens one of the recent set-ups.
    void open(const QString& path);

    // The set-ups opened or saved last, the latest first.
    QStringList recent() const { return recent_; }
    // Called when the list of recent set-ups changes.
    std::function<void()> recentChanged;

private:
    void apply(const QString& path);
    void save(const QString& path);
    void remember(const QString& path);

    PanelContext ctx_;
    Clock& clock_;
    Progress& progress_;
    FileName fileName_;
    QString recentFile_;
    QStringList recent_;
};

} // namespace kx
