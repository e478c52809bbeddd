#pragma once

#include <QtGlobal>

// A control that follows the "Knob Mode" preference (0 circular, 1 linear). The dial widgets
// implement it; VantelMidiModel::addDial keeps a weak reference to them, so an implementation must
// also derive from QObject (the model watches the QObject's lifetime, not this interface's).
class KnobModeTarget
{
public:
    virtual ~KnobModeTarget() = default;

    virtual void setKnobMode(qint32 mode) = 0;
};
