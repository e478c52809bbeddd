#include "MidiControllerNames.h"

namespace {

// Index = controller number; null for an unnamed controller.
const char* const names[MidiControllerNames::Count] = {
    "Bank (MSB)",
    "Modulation",
    "Breath",
    nullptr,
    "Foot",
    "Portamento Time",
    "Data Entry",
    "Volume",
    "Balance",
    nullptr,
    "Pan",
    "Expression",
    "Effect 1",
    "Effect 2",
    nullptr,
    nullptr,
    // 16
    "General 1",
    "General 2",
    "General 3",
    "General 4",
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    // 32
    "Bank (LSB)",
    "Modulation (LSB)",
    "Breath (LSB)",
    nullptr,
    "Foot (LSB)",
    "Portamento Time (LSB)",
    "Data Entry (LSB)",
    "Volume (LSB)",
    "Balance (LSB)",
    nullptr,
    "Pan (LSB)",
    "Expression (LSB)",
    "Effect 1 (LSB)",
    "Effect 2 (LSB)",
    nullptr,
    nullptr,
    // 48
    "General 1 (LSB)",
    "General 2 (LSB)",
    "General 3 (LSB)",
    "General 4 (LSB)",
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    // 64
    "Damper Pedal",
    "Portamento Switch",
    "Sostenuto",
    "Soft Pedal",
    "Legato",
    "Hold2",
    "Variation",
    "Harmonic",
    "Release",
    "Attack",
    "Brightness",
    "Sound Controller 6",
    "Sound Controller 7",
    "Sound Controller 8",
    "Sound Controller 9",
    "Sound Controller 10",
    // 80
    "General 5",
    "General 6",
    "General 7",
    "General 8",
    "Portamento Control",
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    "Reverb",
    "Tremolo",
    "Chorus",
    "Celeste",
    "Phaser",
    // 96
    "Data Increment",
    "Data Decrement",
    "NRPN (LSB)",
    "NRPN (MSB)",
    "RPN (LSB)",
    "RPN (MSB)",
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    // 112
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    "All Sound Off",
    "Reset All Controllers",
    "Local Control",
    "All Notes Off",
    "Omni Off",
    "Omni On",
    "Mono On",
    "Poly On",
};

bool inRange(int controller, qint32* error)
{
    const bool ok = controller >= 0 && controller < MidiControllerNames::Count;
    if (error)
        *error = ok ? 0 : 1;
    return ok;
}

} // namespace

QString MidiControllerNames::name(int controller, qint32* error)
{
    if (!inRange(controller, error))
        return QString();
    const QString number = QStringLiteral("%1").arg(controller, 3, 10, QLatin1Char('0'));
    const char* text = names[controller];
    return text ? number + QLatin1Char(' ') + QLatin1String(text) : number + QStringLiteral(" ---");
}

int MidiControllerNames::defaultValue(int controller, qint32* error)
{
    if (!inRange(controller, error))
        return 0;
    switch (controller) {
    case 0:
    case 1:
    case 32:
    case 33:
    case 34:
    case 36:
    case 37:
    case 38:
    case 39:
    case 40:
    case 45:
    case 46:
    case 47:
    case 48:
    case 64:
    case 65:
    case 66:
    case 67:
    case 69:
    case 96:
    case 97:
    case 98:
    case 99:
    case 100:
        return 0;
    case 2:
    case 4:
    case 11:
        return 127;
    case 7:
        return 100;
    default:
        return controller >= 120 ? 0 : 64;
    }
}
