#pragma once

#include "panel/PanelContext.h"

class QLineEdit;

namespace kx {

// Frequency in Hz, kHz and MHz, amplitude and offset.
class FrequencyLevels {
public:
    explicit FrequencyLevels(PanelContext ctx);

    void freqHz_Click();
    void freqKHz_Click();
    void freqMHz_Click();
    void ampV_Click();
    void offV_Click();

    // Half the amplitude plus the magnitude of the offset may not exceed this.
    static constexpr double levelLimit = 5.0;

private:
    void setFrequency(const char* suffix, double factor);
    void readLevelBack(const QString& query, QLineEdit* display);

    PanelContext ctx_;
};

} // namespace kx
