// kx-bench --soak [N]: resident memory over many operations.
//
// The window runs against the simulated generator in-process, through the real
// exchange (kx::Exchange inside kx::Main), on the test rig: a clock that does not
// sleep, a serial port with the generator behind it, a recorder for message boxes. The
// operations are clicks on buttons found by their objectName, in a fixed rotation; a
// name the window does not have (yet) is left out of the rotation, so later buttons
// join it by being added to the table below. A button that is there but does nothing
// yet is clicked all the same; the line printed counts the clicks that sent nothing.
// --only a,b,... restricts the rotation to those buttons, to find one that grows.
//
// After a warm-up of a few hundred operations (first-use caches, fonts, pictures), the
// resident set is read, N operations run, and it is read again. One line is printed,
// beginning "soak:".

#include "Bench.h"

#ifdef KX_BENCH_SOAK
#include "app/Main.h"
#include "app/Operations.h"
#include "support/Rig.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include <memory>

#include <malloc.h>
#endif

#include <cstdio>
#include <cstring>
#include <vector>

namespace kxbench {

#ifdef KX_BENCH_SOAK
namespace {

constexpr int warmUp = 300;
// The records the test doubles keep grow by design; they are emptied this often.
constexpr int clearEvery = 50;

// One operation: fill `field` (a line edit or a list) with the next of `values`, then
// click `button`.
struct Step {
    const char* button;
    const char* field = nullptr;
    QStringList values = {};
};

const Step rotation[] = {
    {"updateDisplay"},
    {"freqHz", "setF", {"1500", "250", "0.5"}},
    {"freqKHz", "setF", {"2.5", "10", "150"}},
    {"freqMHz", "setF", {"1.5", "0.5", "1"}},
    {"ampV", "setA", {"2.5", "1", "0.5"}},
    {"offV", "setO", {"0.5", "-1", "0"}},
    {"square"},
    {"setDuty", "duty", {"40", "60"}},
    {"ramp"},
    {"setDuty", "duty", {"30", "70"}},
    {"sine"},
    {"setDuty", "duty", {"50"}}, // refused for the sine: a box
    {"outOn"},
    {"outOff"},
    {"closeBtn"},
    {"updateDisplay"}, // no port open: a box
    {"connectBtn", "comPort", {"3"}},
    // Sweep
    {"startSweepHz", "startFreq", {"100", "250"}},
    {"startSweepkHz", "startFreq", {"1", "2.5"}},
    {"startSweepMHz", "startFreq", {"0.1"}},
    {"stopSweepHz", "stopFreq", {"500"}},
    {"stopSweepkHz", "stopFreq", {"10"}},
    {"stopSweepMHz", "stopFreq", {"1"}},
    {"sweepRateSec", "sweepRate", {"1", "0.5"}},
    {"linearSweep"},
    {"logSweep"},
    {"sweepOff"},
    // Trigger
    {"TrigModeSet", "trigMode", {"Triggered", "Gate", "Burst", "Continuous"}},
    {"TrigSourceSet", "trigSource", {"Internal", "External"}},
    {"trigRateMicro", "trigRate", {"10"}},
    {"trigRateMilli", "trigRate", {"5"}},
    {"trigRateSec", "trigRate", {"1"}},
    {"setBurst", "burst", {"5"}},
    // Modulation
    {"ModTypeSet", "modType", {"AM Internal", "FM Internal", "AM External", "FM External"}},
    {"modShapeSet", "modShape", {"Sine", "Square", "Triangle"}},
    {"setDepth", "depthAM", {"50"}},
    {"devFMHz", "devFM", {"500"}},
    {"devFMkHz", "devFM", {"1"}},
    {"devFMMHz", "devFM", {"0.1"}},
    {"modFreqHz", "modFreq", {"100"}},
    {"modFreqkHz", "modFreq", {"1"}},
    {"modOff"},
    // Memory
    {"save", "memLocation", {"3", "7"}},
    {"recall", "memLocation", {"3", "7"}},
    {"facDefault"},
    // Exit, answered No by the recorder
    {"ExitBtn"},
};

struct Ready {
    QAbstractButton* button;
    QObject* field;
    const QStringList* values;
    int uses = 0;
};

void fill(QObject* field, const QString& value) {
    if (auto* edit = qobject_cast<QLineEdit*>(field)) {
        edit->setText(value);
    } else if (auto* list = qobject_cast<QComboBox*>(field)) {
        const int i = list->findText(value);
        if (i >= 0)
            list->setCurrentIndex(i);
        else
            list->setEditText(value);
    }
}

} // namespace
#endif

int runSoak(int argc, char* argv[]) {
#ifndef KX_BENCH_SOAK
    (void)argc;
    (void)argv;
    std::fprintf(stderr, "kx-bench: built without the test support (BUILD_TESTING OFF): "
                         "no --soak\n");
    return 2;
#else
    QApplication app(argc, argv);
    int count = 10'000;
    const QStringList args = app.arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--soak"));
    if (at >= 0 && at + 1 < args.size()) {
        bool ok = false;
        const int n = args[at + 1].toInt(&ok);
        if (ok && n > 0)
            count = n;
    }

    QStringList only;
    const qsizetype onlyAt = args.indexOf(QStringLiteral("--only"));
    if (onlyAt >= 0 && onlyAt + 1 < args.size())
        only = args[onlyAt + 1].split(QLatin1Char(','));

    // The simulated generator keeps every line it has received (Generator::received), a
    // record that grows by design too. It answers here through a generator of our own,
    // renewed with the same settings whenever the records are emptied; what *SAV stored
    // is forgotten at each renewal.
    const kxsim::ModelProfile& profile = *kxsim::findProfile(QStringLiteral("KX25A"));
    auto generator = std::make_unique<kxsim::Generator>(profile);
    kxtest::Rig rig(profile.name);
    rig.port().responder = [&generator](const QByteArray& line) {
        QList<kxtest::FakeSerialPort::Chunk> chunks;
        if (const auto reply = generator->handleLine(line))
            chunks.append({0, *reply + generator->lineEnd()});
        return chunks;
    };
    rig.connectTo();
    if (!rig.port().isOpen()) {
        std::fprintf(stderr, "kx-bench: the rig did not connect\n");
        return 1;
    }

    std::vector<Ready> steps;
    QStringList skipped;
    for (const Step& s : rotation) {
        if (!only.isEmpty() && !only.contains(QLatin1String(s.button)))
            continue;
        auto* button = rig.main().findChild<QAbstractButton*>(QLatin1String(s.button));
        QObject* field = s.field ? rig.main().findChild<QObject*>(QLatin1String(s.field)) : nullptr;
        if (!button || (s.field && !field)) {
            skipped << QLatin1String(s.button);
            continue;
        }
        steps.push_back({button, field, &s.values});
    }
    if (!skipped.isEmpty())
        std::fprintf(stderr, "kx-bench: not in the window, left out: %s\n",
                     qPrintable(skipped.join(QLatin1Char(' '))));
    if (steps.empty()) {
        std::fprintf(stderr, "kx-bench: no operation to soak\n");
        return 1;
    }

    long lines = 0;
    long boxes = 0;
    // The fake clock's list of waits, the port's list of lines written and the
    // recorder's boxes keep everything by design; they are counted and emptied here so
    // that they do not pass for growth of the program. The clock's virtual time also
    // moves on without end, but it is one number and costs no memory.
    const auto clearRecords = [&] {
        lines += rig.takeLines().size();
        boxes += rig.takeBoxes().size();
        rig.takeWaits();
        auto renewed = std::make_unique<kxsim::Generator>(profile);
        renewed->settings() = generator->settings();
        generator = std::move(renewed);
    };
    std::size_t next = 0;
    int done = 0;
    // Clicks that sent no line: refused entries, Close Port, buttons not wired yet.
    long silent = 0;
    const auto run = [&](int n) {
        for (int i = 0; i < n; ++i) {
            Ready& step = steps[next++ % steps.size()];
            if (step.field && !step.values->isEmpty())
                fill(step.field, step.values->at(step.uses++ % step.values->size()));
            const qsizetype sentBefore = rig.port().lines.size();
            step.button->click();
            if (rig.port().lines.size() == sentBefore)
                ++silent;
            // The real program returns to its event loop after each click: posted
            // events (updates, deferred deletes) are handled there, not kept.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
            if (rig.main().operations().isRunning()) {
                std::fprintf(stderr, "kx-bench: %s still running after its click\n",
                             step.button->objectName().toLatin1().constData());
                return false;
            }
            if (++done % clearEvery == 0)
                clearRecords();
        }
        clearRecords();
        return true;
    };
    // Memory freed is handed back to the system before each reading, so the readings
    // compare what is in use, not what the allocator happens to keep cached.
    const auto resident = [] {
        malloc_trim(0);
        return residentKb();
    };

    if (!run(warmUp))
        return 1;
    const long start = resident();
    const int before = done;
    lines = 0;
    boxes = 0;
    silent = 0;
    if (!run(count))
        return 1;
    const long end = resident();
    const long growth = end - start;
    std::printf("soak: %d operations (%zu kinds, after a %d-operation warm-up), VmRSS %ld kB at "
                "start, %ld kB at end, growth %ld kB (target under 1024 kB: %s); %ld lines "
                "sent, %ld boxes shown, %ld clicks sent nothing\n",
                done - before, steps.size(), warmUp, start, end, growth,
                growth < 1024 ? "met" : "missed", lines, boxes, silent);
    return 0;
#endif
}

} // namespace kxbench
