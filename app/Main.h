#pragma once

#include "kit/MessageBoxes.h"
#include "kit/Progress.h"
#include "link/Clock.h"
#include "link/SerialPort.h"

#include <QMainWindow>

#include <functional>
#include <memory>

namespace Ui {
class Main;
}

namespace kx {

class BusyState;
class Connection;
class Exchange;
class Operations;
class Setups;
class Traffic;
class TrafficView;
class modVariables;

// What the window talks to outside itself. Anything left empty gets the real thing.
struct Seams {
    std::unique_ptr<SerialPort> port;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<MessageBoxes> boxes;
    // The user's configuration directory, where kx-panel/ports/comN links live.
    QString configDir;
    // Whether port n's device opens; by default the real probe.
    std::function<bool(int)> probe;
    // Ends the program; by default the application's event loops are told to exit.
    std::function<void()> quit;
    // Asks where to save a file; by default the desktop's save dialog.
    std::function<QString(QWidget*)> saveFileName;
    // Asks for a set-up file to open or (`save`) to save to; by default the desktop's
    // file dialogs. Empty: the operator cancelled.
    std::function<QString(QWidget*, bool save)> setupFileName;
    // How far applying a set-up has come; by default a progress dialog.
    std::unique_ptr<Progress> progress;
};

// The generator's front panel: the one window of the program.
class Main : public QMainWindow {
    Q_OBJECT
public:
    explicit Main(Seams seams = {});
    ~Main() override;

    Ui::Main& ui() { return *ui_; }
    modVariables& vars() { return *vars_; }
    Operations& operations() { return *ops_; }

    void ExitBtn_Click();
    void mnuAbout_Click();
    void mnuSeehelp_Click();
    void mnuTraffic_Click();
    Setups& setups() { return *setups_; }

    Traffic& traffic() { return *traffic_; }
    // The traffic window, once View > Traffic... has opened it.
    TrafficView* trafficView() { return trafficView_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void wireControls();
    void wireSetups();
    void showRecentSetups();
    void endProgram();

    std::unique_ptr<Ui::Main> ui_;
    Seams seams_;
    std::unique_ptr<modVariables> vars_;
    std::unique_ptr<Traffic> traffic_; // the exchange writes to it: made first, gone last
    std::unique_ptr<Exchange> link_;
    std::unique_ptr<BusyState> busy_;
    std::unique_ptr<Operations> ops_;
    std::unique_ptr<Connection> connection_;
    std::unique_ptr<Setups> setups_;
    QList<QAction*> recentSetups_;
    TrafficView* trafficView_ = nullptr;
    bool ending_ = false;
};

} // namespace kx
