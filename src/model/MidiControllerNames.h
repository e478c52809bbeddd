#pragma once

#include <QString>
#include <QtGlobal>

// The names and default values of the 128 MIDI controllers, as the control change view, its menu
// and the control-change filter show them: a three-digit controller number, a blank and the name,
// or the number followed by " ---" for a controller without a name ("003 ---").
class MidiControllerNames
{
public:
    static constexpr int Count = 128;

    // Null string and error 1 outside 0..127.
    static QString name(int controller, qint32* error = nullptr);
    // The value a knob for this controller starts at and resets to; 0 and error 1 outside 0..127.
    static int defaultValue(int controller, qint32* error = nullptr);
};
