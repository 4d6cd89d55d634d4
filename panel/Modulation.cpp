#include "panel/Modulation.h"

#include "ui_Main.h"

namespace kx {

namespace {

// The modulating frequency in one unit: 0.01 Hz to 20 kHz for every model and waveform.
constexpr Setting modFrequency(const char* button, double factor, const char* line) {
    return {.button = button,
            .entry = &Ui::Main::modFreq,
            .factor = factor,
            .limits = {0.01, 20000},
            .code = 7,
            .refused = Refused::Empty,
            .line = line,
            .readBack = {"MODFR?", Reading::FrequencyCaption, &Ui::Main::funcInfo2,
                         "Mod. Frequency: "}};
}

// The deviation in one unit, bound by the generator's carrier range. It is for the
// generator's own modulating source only: the generator is asked which modulation runs
// before anything is decided.
constexpr Setting deviation(const char* button, double factor, const char* line) {
    return {.button = button,
            .entry = &Ui::Main::devFM,
            .factor = factor,
            .limits = frequencyLimits,
            .code = 5,
            .refused = Refused::Empty,
            .line = line,
            .asks = {"MODUL?", "FM INT", 14}};
}

} // namespace

// Continuous mode and sweep off, whatever the list shows; then the type and the source
// of the chosen item. The generator is in continuous mode now, and so is the panel.
const Lines Modulation::ModTypeSet{
    .button = "ModTypeSet",
    .busy = Busy::Throughout,
    .lines = {"MODE CONT", "SWE OFF"},
    .captions = {{&Ui::Main::mode, "Cont"},
                 {&Ui::Main::funcIndicator, ""},
                 {&Ui::Main::funcInfo, ""},
                 {&Ui::Main::funcInfo2, ""}},
    .list = &Ui::Main::modType,
    .choices = {
        {{"MODUL AM", "MODUL INT"},
         {{&Ui::Main::funcIndicator, "AM Modulation"}, {&Ui::Main::source, "INT"}}},
        {{"MODUL AM", "MODUL EXT"},
         {{&Ui::Main::funcIndicator, "AM Modulation"}, {&Ui::Main::source, "EXT"}}},
        {{"MODUL FM", "MODUL INT"},
         {{&Ui::Main::funcIndicator, "FM Modulation"}, {&Ui::Main::source, "INT"}}},
        {{"MODUL FM", "MODUL EXT"},
         {{&Ui::Main::funcIndicator, "FM Modulation"}, {&Ui::Main::source, "EXT"}}},
    }};

// By the position in the list, which holds the connected model's shapes in this order.
const Lines Modulation::modShapeSet{
    .button = "modShapeSet",
    .busy = Busy::Throughout,
    .list = &Ui::Main::modShape,
    .choices = {
        {{"MODSH SIN"}, {{&Ui::Main::funcInfo, "Mod. Shape: Sine"}}},
        {{"MODSH SQU"}, {{&Ui::Main::funcInfo, "Mod. Shape: Square"}}},
        {{"MODSH TRI"}, {{&Ui::Main::funcInfo, "Mod. Shape: Triangle"}}},
    }};

const Lines Modulation::modOff{.button = "modOff",
                               .busy = Busy::Throughout,
                               .lines = {"MODUL OFF"},
                               .captions = {{&Ui::Main::funcIndicator, ""},
                                            {&Ui::Main::funcInfo, ""},
                                            {&Ui::Main::funcInfo2, ""},
                                            {&Ui::Main::source, ""}}};

const Setting Modulation::modFreqHz = modFrequency("modFreqHz", 1, "MODFR %1HZ");
const Setting Modulation::modFreqkHz = modFrequency("modFreqkHz", 1e3, "MODFR %1KHZ");

// Asked like the deviation; both refusals keep the entry.
const Setting Modulation::setDepth{.button = "setDepth",
                                   .entry = &Ui::Main::depthAM,
                                   .factor = 1,
                                   .limits = {0, 100},
                                   .code = 7,
                                   .refused = Refused::Keep,
                                   .line = "DEPT %1",
                                   .asks = {"MODUL?", "AM INT", 13}};

// The generator's own suffixes: "Hz", "kHz", "MHz", unlike the other frequency lines.
const Setting Modulation::devFMHz = deviation("devFMHz", 1, "DEV %1Hz");
const Setting Modulation::devFMkHz = deviation("devFMkHz", 1e3, "DEV %1kHz");
const Setting Modulation::devFMMHz = deviation("devFMMHz", 1e6, "DEV %1MHz");

Modulation::Modulation(PanelContext ctx) : ctx_(ctx) {
    wire<Modulation>(ctx_.ui, this,
                     {{"ModTypeSet", &Modulation::ModTypeSet_Click},
                      {"modShapeSet", &Modulation::modShapeSet_Click},
                      {"modFreqHz", &Modulation::modFreqHz_Click},
                      {"modFreqkHz", &Modulation::modFreqkHz_Click},
                      {"setDepth", &Modulation::setDepth_Click},
                      {"devFMHz", &Modulation::devFMHz_Click},
                      {"devFMkHz", &Modulation::devFMkHz_Click},
                      {"devFMMHz", &Modulation::devFMMHz_Click},
                      {"modOff", &Modulation::modOff_Click}});
}

void Modulation::ModTypeSet_Click() {
    run(ctx_, ModTypeSet);
}
void Modulation::modShapeSet_Click() {
    run(ctx_, modShapeSet);
}
void Modulation::modFreqHz_Click() {
    run(ctx_, modFreqHz);
}
void Modulation::modFreqkHz_Click() {
    run(ctx_, modFreqkHz);
}
void Modulation::setDepth_Click() {
    run(ctx_, setDepth);
}
void Modulation::devFMHz_Click() {
    run(ctx_, devFMHz);
}
void Modulation::devFMkHz_Click() {
    run(ctx_, devFMkHz);
}
void Modulation::devFMMHz_Click() {
    run(ctx_, devFMMHz);
}
void Modulation::modOff_Click() {
    run(ctx_, modOff);
}

} // namespace kx
