#include "support/PanelRows.h"

#include "panel/Groups.h"
#include "state/modVariables.h"
#include "support/Rig.h"
#include "ui_Main.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>

namespace kx {

std::span<const SettingRow* const> settingRows() {
    static const SettingRow* const rows[] = {
        &frequencyLevels::freqHz, &frequencyLevels::freqKHz, &frequencyLevels::freqMHz,
        &frequencyLevels::ampV,   &frequencyLevels::offV,    &sweep::startSweepHz,
        &sweep::startSweepkHz,    &sweep::startSweepMHz,     &sweep::stopSweepHz,
        &sweep::stopSweepkHz,     &sweep::stopSweepMHz,      &sweep::sweepRateSec,
        &modulation::modFreqHz,   &modulation::modFreqkHz,   &modulation::setDepth,
        &modulation::devFMHz,     &modulation::devFMkHz,     &modulation::devFMMHz,
        &trigger::trigRateMicro,  &trigger::trigRateMilli,   &trigger::trigRateSec,
    };
    return rows;
}

std::span<const CommandRow* const> commandRows() {
    static const CommandRow* const rows[] = {
        &sweep::linearSweep,     &sweep::logSweep,         &sweep::sweepOff,
        &modulation::ModTypeSet, &modulation::modShapeSet, &modulation::modOff,
        &trigger::TrigModeSet,
    };
    return rows;
}

} // namespace kx

namespace kxtest {

namespace {

QLineEdit* entryOf(Rig& rig, const kx::SettingRow& row) { return rig.ui().*row.entry; }

} // namespace

void satisfy(Rig& rig, const kx::Setting& s) {
    if (!s.asks.query)
        return;
    const QString expected = QString::fromLatin1(s.asks.expected);
    for (const QString& line :
         {QStringLiteral("MODUL ") + expected.left(2), QStringLiteral("MODUL ") + expected.mid(3)})
        rig.generator().handleLine(line.toLatin1());
}

QList<Op> ops() {
    QList<Op> out;
    for (const kx::SettingRow* row : kx::settingRows())
        out << Op{QLatin1String(row->button),
                  [row](Rig& rig) {
                      satisfy(rig, *row->setting);
                      entryOf(rig, *row)->setText(QStringLiteral("1"));
                  },
                  [row](Rig& rig) { entryOf(rig, *row)->setText(QStringLiteral("abc")); }};
    for (const kx::CommandRow* row : kx::commandRows())
        out << Op{QLatin1String(row->button), [row](Rig& rig) {
                      if (row->list)
                          (rig.ui().*row->list)->setCurrentIndex(0);
                  }};
    for (const char* name : {"sine", "square", "ramp", "outOn", "updateDisplay"})
        out << Op{QLatin1String(name), [](Rig&) {}};
    // Not refused: the panel shows a mode other than continuous.
    out << Op{QStringLiteral("TrigSourceSet"), [](Rig& rig) {
                  rig.ui().trigSource->setCurrentIndex(0);
                  rig.ui().mode->setText(QStringLiteral("Trig"));
              }};
    // OFF is for an output that is on, as after an earlier ON.
    out << Op{QStringLiteral("outOff"), [](Rig& rig) { rig.ui().outOff->setEnabled(true); }};
    // Only the sine's refusal empties the entry.
    out << Op{QStringLiteral("setDuty"),
              [](Rig& rig) {
                  rig.main().vars().waveShape = QStringLiteral("square");
                  rig.ui().duty->setText(QStringLiteral("50"));
              },
              [](Rig& rig) { rig.main().vars().waveShape = QStringLiteral("sine"); }};
    out << Op{QStringLiteral("setBurst"),
              [](Rig& rig) { rig.ui().burst->setText(QStringLiteral("10")); },
              [](Rig& rig) { rig.ui().burst->setText(QStringLiteral("0")); }, false};
    // Save and Recall enabled, as they may be from an earlier connection.
    for (const char* name : {"save", "recall", "facDefault"})
        out << Op{QLatin1String(name), [name](Rig& rig) {
                      rig.ui().memLocation->setText(QStringLiteral("3"));
                      button(rig, QLatin1String(name))->setEnabled(true);
                  }};
    return out;
}

} // namespace kxtest
