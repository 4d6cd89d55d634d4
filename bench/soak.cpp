// kx-bench --soak [N]: memory over many operations, once nothing should grow any more.
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
// The traffic record (kx::Traffic) keeps the newest entries up to its capacity and
// grows until then; the warm-up runs the rotation until it is full, then a few hundred
// operations more (first-use caches, fonts, pictures). Then the resident set and the
// heap in use are read, N operations run, and both are read again after every 10 000
// of them. One line is printed, beginning "soak:": the growth per 10 000 operations,
// on average and in the block that grew most, against the target.

#include "Bench.h"

#ifdef KX_BENCH_SOAK
#include "app/Main.h"
#include "kit/Operations.h"
#include "link/Traffic.h"
#include "support/Rig.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include <memory>

#include <malloc.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace kxbench {

#ifdef KX_BENCH_SOAK
namespace {

// Operations after the traffic record is full, before the first reading.
constexpr int warmUp = 300;
// A rotation that sends too little to fill the traffic record within this many
// operations is measured with the record not full (the line says so).
constexpr int fillLimit = 200'000;
// Readings are taken this often; the growth is given per this many operations.
constexpr int block = 10'000;
// Growth per block that is still met.
constexpr double targetKb = 20;
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
    int count = 100'000;
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
    // The fake clock's list of waits, the port's lists of lines written and of when each
    // was written, and the recorder's boxes keep everything by design; they are counted
    // and emptied here so that they do not pass for growth of the program. The clock's
    // virtual time also moves on without end, but it is one number and costs no memory.
    const auto clearRecords = [&] {
        lines += rig.takeLines().size();
        boxes += rig.takeBoxes().size();
        rig.takeWaits();
        rig.port().times = {};
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
    // compare what is in use, not what the allocator happens to keep cached. The heap in
    // use beside the resident set tells growth from fragmentation.
    struct Reading {
        long residentKb;
        double heapKb;
    };
    const auto read = [] {
        malloc_trim(0);
        const struct mallinfo2 m = mallinfo2();
        return Reading{residentKb(), double(m.uordblks + m.hblkhd) / 1024};
    };

    const kx::Traffic& traffic = rig.main().traffic();
    int filling = 0;
    while (traffic.entries().size() < kx::Traffic::capacity && filling < fillLimit) {
        const std::size_t had = traffic.entries().size();
        if (!run(clearEvery))
            return 1;
        filling += clearEvery;
        // A rotation that records nothing in a round of clicks never fills it.
        if (traffic.entries().size() == had)
            break;
    }
    const bool full = traffic.entries().size() >= kx::Traffic::capacity;
    if (!run(warmUp))
        return 1;

    const Reading start = read();
    const int before = done;
    lines = 0;
    boxes = 0;
    silent = 0;
    Reading last = start;
    double worstKb = 0; // the resident set's growth over the block that grew most
    for (int left = count; left > 0; left -= block) {
        const int n = std::min(block, left);
        if (!run(n))
            return 1;
        const Reading now = read();
        worstKb = std::max(worstKb, double(now.residentKb - last.residentKb) * block / n);
        last = now;
    }
    const double perBlock = double(last.residentKb - start.residentKb) * block / count;
    const double heapPerBlock = (last.heapKb - start.heapKb) * block / count;
    std::printf("soak: %d operations (%zu kinds, after %d operations %s the traffic record and a "
                "%d-operation warm-up), VmRSS %ld kB at start, %ld kB at end; growth per "
                "%d operations %.1f kB (largest block %.1f kB, heap in use %.1f kB; target "
                "under %.0f kB: %s); %ld lines sent, %ld boxes shown, %ld clicks sent nothing\n",
                done - before, steps.size(), filling, full ? "that filled" : "that did not fill",
                warmUp, start.residentKb, last.residentKb, block, perBlock, worstKb, heapPerBlock,
                targetKb, perBlock < targetKb ? "met" : "missed", lines, boxes, silent);
    return 0;
#endif
}

} // namespace kxbench
