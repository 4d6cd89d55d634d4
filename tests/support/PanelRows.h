#pragma once

#include "panel/Rows.h"

#include <QList>
#include <QString>

#include <functional>
#include <span>

namespace kx {

// Every declared row of the front panel, group by group, for the tests that go over
// them all.
std::span<const SettingRow* const> settingRows();
std::span<const CommandRow* const> commandRows();

} // namespace kx

namespace kxtest {

class Rig;

// A front-panel operation the runner carries out: its button, what makes it run on a
// KX25A showing the generator's factory set-up (an accepted value typed, the first item
// of its list chosen, the generator in the state it asks for), and for one that checks
// an entry, what makes the check refuse it.
struct Op {
    QString button;
    std::function<void(Rig&)> prepare;
    std::function<void(Rig&)> refuse = {};
    bool sends = true; // false: only checked, nothing goes on the line
};

// Every row of settingRows() in order, then of commandRows(), then the other buttons
// that need the port.
QList<Op> ops();

// The generator is in the state setting `s` asks for, so it is not refused.
void satisfy(Rig& rig, const kx::Setting& s);

} // namespace kxtest
