#pragma once

#include <QMap>
#include <QString>

#include <optional>

namespace kx {

// What is known about the connected generator, shared by every operation on it. One
// instance per connection; the window keeps the parts it shows in step with its
// displays.
class modVariables {
public:
    // How a decoder fared with a reply.
    enum class Decoded {
        Ok,      // every output written
        NoMatch, // the exponent is not in the table: nothing written
        Failed,  // no "E", a mantissa that is not a number, or an overflow: nothing written
    };

    QString modelName;
    QString waveShape; // "sine", "square" or "ramp"
    double freqMax = 0;
    double freqMin = 0;
    QString freqDisplay;
    QString freqUnit;
    QString freqHzText;
    QString levelDisplay;
    QString levelText;
    QString replyLine;
    // The output frequency last read back by "FREQ?", in hertz. The sweep and
    // modulation read-backs also pass through freqHzText, so checks that concern the
    // output frequency use this instead.
    std::optional<double> outputFrequencyHz;
    // The amplitude and offset as shown, volts: the amplitude and offset settings are
    // checked against each other with these. Unknown counts as 0.
    std::optional<double> amplitudeV;
    std::optional<double> offsetV;
    // The operating mode as shown ("Cont", "Trig", "CONT", ...): the trigger source
    // cannot be set in continuous mode.
    QString mode;
    // What was last sent on this connection, by the name of the request that sends it
    // ("duty": "30%", "trigger-source": "int"): the set-up written from this generator
    // takes the settings it does not report from here.
    QMap<QString, QString> sent;

    // Sets freqMin and freqMax for modelName and waveShape; leaves both alone when
    // either is unknown.
    void setFrequencyLimits();
    // Decodes a frequency reply such as 2.50000E+3 into freqDisplay, freqUnit and
    // freqHzText: all three, or none.
    Decoded decodeFrequencyReply(const QString& reply);
    // Decodes an amplitude or offset reply into levelDisplay and levelText.
    Decoded decodeLevelReply(const QString& reply);
    // replyLine becomes the reply up to its first CR; false (and nothing written) when
    // the reply holds no CR.
    bool firstReplyLine(const QString& reply);
};

} // namespace kx
