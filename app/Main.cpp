#include "app/Main.h"

#include "app/About.h"
#include "app/Help.h"
#include "app/TrafficView.h"
#include "kit/BusyState.h"
#include "kit/Operations.h"
#include "kit/PortList.h"
#include "kit/Progress.h"
#include "kit/ShapeWidget.h"
#include "link/Exchange.h"
#include "link/Traffic.h"
#include "panel/Connection.h"
#include "panel/Groups.h"
#include "panel/Setups.h"
#include "share/SharedPort.h"
#include "state/modVariables.h"
#include "ui_Main.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>

#include <utility>

namespace kx {

// The colours of the panel. Those the window system would lend by role are fixed here,
// so the panel looks the same on every desktop theme.
namespace colour {
const QColor window(214, 219, 226);
const QColor topBar(236, 239, 242);
const QColor group(191, 205, 219);          // group backgrounds (inactive title bar)
const QColor inactiveBorder(244, 247, 252); // output light before any answer
// The display panel, the Output band, the titles and the status band take theirs from
// the form's style sheets.
} // namespace colour

Main::Main(Seams seams) : ui_(std::make_unique<Ui::Main>()), seams_(std::move(seams)) {
    ui_->setupUi(this);
    if (!seams_.port)
        seams_.port = std::make_unique<SharedPort>();
    if (!seams_.clock)
        seams_.clock = std::make_unique<RealClock>();
    if (!seams_.boxes)
        seams_.boxes = std::make_unique<QtMessageBoxes>(this);
    if (!seams_.quit)
        seams_.quit = [] { QCoreApplication::exit(0); };
    if (!seams_.progress)
        seams_.progress = std::make_unique<QtProgress>(this, QStringLiteral("Open Set-up"));
    if (!seams_.setupFileName)
        seams_.setupFileName = [](QWidget* parent, bool save) {
            QFileDialog dialog(parent, save ? QStringLiteral("Save Set-up As")
                                            : QStringLiteral("Open Set-up"));
            dialog.setNameFilters(
                {QStringLiteral("Set-ups (*.kx)"), QStringLiteral("All files (*)")});
            dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
            dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
            dialog.setDefaultSuffix(QStringLiteral("kx"));
            return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
        };

    vars_ = std::make_unique<modVariables>();
    link_ = std::make_unique<Exchange>(*seams_.port, *seams_.clock);
    traffic_ = std::make_unique<Traffic>();
    link_->setTraffic(traffic_.get());
    busy_ = std::make_unique<BusyState>(*this, *ui_->message);
    ops_ = std::make_unique<Operations>(
        *this, *link_, *seams_.boxes, [this](const QString& text) { ui_->message->setText(text); });
    const PanelContext ctx{*ui_, *link_, *vars_, *busy_, *ops_, *seams_.boxes};
    connection_ = std::make_unique<Connection>(ctx, PortMap(seams_.configDir), seams_.probe);
    setups_ = std::make_unique<Setups>(
        ctx, *seams_.clock, *seams_.progress,
        [this](bool save) { return seams_.setupFileName(this, save); },
        PortMap(seams_.configDir).configDir());
    for (void (*wire)(const PanelContext&) :
         {statusRefresh::wire, waveformOutput::wire, frequencyLevels::wire, sweep::wire,
          modulation::wire, trigger::wire, memory::wire, entries::wire})
        wire(ctx);

    ops_->setLostHandler([this] { connection_->showClosed(); });
    // Reported once the current event is done; an operation reports it itself.
    connect(
        link_.get(), &Exchange::connectionLost, this,
        [this] {
            if (!ops_->isRunning() && link_->wasLost())
                ops_->reportLost();
        },
        Qt::QueuedConnection);

    // The window as it stands before start-up.
    setWindowIcon(QIcon(QStringLiteral(":/kx-panel.png")));
    centralWidget()->setFixedSize(959, 480);
    ui_->sine->setIcon(QIcon(QStringLiteral(":/sine-button.png")));
    ui_->square->setIcon(QIcon(QStringLiteral(":/square-button.png")));
    ui_->ramp->setIcon(QIcon(QStringLiteral(":/ramp-button.png")));
    showWavePicture(*ui_, QStringLiteral("SINE"));
    ui_->PortOpenStat->setKind(ShapeWidget::Circle);
    ui_->PortOpenStat->setFillColor(Qt::red);
    ui_->outLight->setKind(ShapeWidget::Square);
    ui_->outLight->setFillColor(colour::inactiveBorder);
    ui_->comPort->setEditText(QStringLiteral("Select Port"));

    wireControls();
    wireSetups();
    Form_Load();
    setFixedSize(sizeHint());
}

Main::~Main() = default;

void Main::Form_Load() {
    connection_->ListComPorts();
    QPalette palette = centralWidget()->palette();
    palette.setColor(QPalette::Window, colour::window);
    palette.setColor(QPalette::Base, colour::window);
    centralWidget()->setPalette(palette);
    centralWidget()->setAutoFillBackground(true);
    ui_->topBar->setFillColor(colour::topBar);
    ui_->setF->setMaxLength(7);
    ui_->setA->setMaxLength(5);
    ui_->setO->setMaxLength(5);
    ui_->duty->setMaxLength(2);
    ui_->trigMode->addItems({QStringLiteral("Continuous"), QStringLiteral("Triggered"),
                             QStringLiteral("Gate"), QStringLiteral("Burst")});
    ui_->trigSource->addItems({QStringLiteral("Internal"), QStringLiteral("External")});
    ui_->modType->addItems({QStringLiteral("AM Internal"), QStringLiteral("AM External"),
                            QStringLiteral("FM Internal"), QStringLiteral("FM External")});
    // No item is chosen for the operator.
    for (QComboBox* list : {ui_->trigMode, ui_->trigSource, ui_->modType, ui_->modShape}) {
        list->setCurrentIndex(-1);
        list->setEditText(QStringLiteral("Select"));
    }

    // Colours of the areas, by the roles they stand for.
    for (ShapeWidget* s : findChildren<ShapeWidget*>()) {
        if (s->objectName().startsWith(QLatin1String("Shape3_"))) {
            s->setKind(ShapeWidget::RoundedRectangle);
            s->setFillColor(colour::group);
        }
    }
}

void Main::wireControls() {
    connect(ui_->connectBtn, &QAbstractButton::clicked, this,
            [this] { connection_->connectBtn_Click(); });
    connect(ui_->closeBtn, &QAbstractButton::clicked, this,
            [this] { connection_->closeBtn_Click(); });
    connect(ui_->comPort, &PortList::aboutToShowPopup, this,
            [this] { connection_->comPort_DropDown(); });
    connect(ui_->ExitBtn, &QAbstractButton::clicked, this, [this] { ExitBtn_Click(); });
    // File > Exit does what the EXIT button does.
    connect(ui_->mnuExit, &QAction::triggered, this, [this] { ExitBtn_Click(); });
    connect(ui_->mnuAbout, &QAction::triggered, this, [this] { mnuAbout_Click(); });
    connect(ui_->mnuSeehelp, &QAction::triggered, this, [this] { mnuSeehelp_Click(); });
    // Beyond the front panel itself: what went over the line. Between File and Help.
    auto* view = new QMenu(QStringLiteral("&View"), ui_->menubar);
    view->setObjectName(QStringLiteral("mnuView"));
    ui_->menubar->insertMenu(ui_->mnuHelp->menuAction(), view);
    QAction* traffic = view->addAction(QStringLiteral("&Traffic..."));
    traffic->setObjectName(QStringLiteral("mnuTraffic"));
    traffic->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    ui_->mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    ui_->mnuSeehelp->setShortcut(QKeySequence(Qt::Key_F1));
    connect(traffic, &QAction::triggered, this, [this] { mnuTraffic_Click(); });
}

// File > Open Set-up..., Save Set-up As... and the last set-ups, above Exit.
void Main::wireSetups() {
    QAction* open = new QAction(QStringLiteral("&Open Set-up..."), this);
    open->setObjectName(QStringLiteral("mnuOpenSetup"));
    open->setShortcut(QKeySequence::Open);
    connect(open, &QAction::triggered, this, [this] { setups_->mnuOpenSetup_Click(); });
    QAction* save = new QAction(QStringLiteral("&Save Set-up As..."), this);
    save->setObjectName(QStringLiteral("mnuSaveSetup"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(save, &QAction::triggered, this, [this] { setups_->mnuSaveSetup_Click(); });
    ui_->mnuFile->insertActions(ui_->mnuExit, {open, save});
    ui_->mnuFile->insertSeparator(ui_->mnuExit);
    setups_->recentChanged = [this] { showRecentSetups(); };
    showRecentSetups();
}

void Main::showRecentSetups() {
    // One of them may be the item being triggered: it goes once that is over.
    for (QAction* a : std::exchange(recentSetups_, {})) {
        ui_->mnuFile->removeAction(a);
        a->deleteLater();
    }
    for (const QString& path : setups_->recent()) {
        const int n = int(recentSetups_.size()) + 1;
        QAction* a =
            new QAction(QStringLiteral("&%1 %2").arg(n).arg(QFileInfo(path).fileName()), this);
        a->setObjectName(QStringLiteral("mnuRecentSetup%1").arg(n));
        a->setToolTip(path);
        connect(a, &QAction::triggered, this, [this, path] { setups_->open(path); });
        recentSetups_ << a;
    }
    ui_->mnuFile->insertActions(ui_->mnuExit, recentSetups_);
    if (!recentSetups_.isEmpty())
        recentSetups_ << ui_->mnuFile->insertSeparator(ui_->mnuExit);
}

void Main::mnuAbout_Click() { About::showModal(this); }

void Main::mnuSeehelp_Click() { openHelp(*seams_.boxes); }

void Main::mnuTraffic_Click() {
    if (!trafficView_)
        trafficView_ = new TrafficView(*traffic_, *seams_.boxes, this, seams_.saveFileName);
    trafficView_->show();
    trafficView_->raise();
    trafficView_->activateWindow();
}

void Main::ExitBtn_Click() {
    if (seams_.boxes->ask(MessageBoxes::Icon::Question, QStringLiteral("Exit Program"),
                          QStringLiteral("Are you sure you want to exit?")) ==
        MessageBoxes::Answer::Yes)
        endProgram();
}

void Main::endProgram() {
    if (ending_)
        return;
    ending_ = true;
    // Closes the port, ends any pause under way and lets no further line out.
    link_->shutdown();
    hide();
    seams_.quit();
}

void Main::closeEvent(QCloseEvent* event) {
    event->accept();
    endProgram();
}

} // namespace kx
