#pragma once

#include "VantelMidiParameterId.h"

#include <QString>

class ModelIF;

// The application's parameter set: registers every parameter with its range, default, display
// name and formatter into the model it is given. A base of the application model; nothing is
// registered anywhere else.
class VantelMidiParameters
{
public:
    // Does nothing when model is null.
    explicit VantelMidiParameters(ModelIF* model);
    virtual ~VantelMidiParameters();

    // The value formatters: the text of a known value with error 0, otherwise a null string and
    // error 1 (error may be null).
    static QString formatKnobMode(qint32 value, qint32* error);
    static QString formatProgramNumberBase(qint32 value, qint32* error);
    static QString formatFontSize(qint32 value, qint32* error);
    static QString formatMiddleC(qint32 value, qint32* error);
    static QString formatTimeFormat(qint32 value, qint32* error);
    static QString formatMidiThru(qint32 value, qint32* error);
    static QString formatMidiThruSecond(qint32 value, qint32* error);
};
