#include "VantelMidiParameters.h"

#include "ModelIF.h"

#include <QStandardPaths>

#include <initializer_list>

namespace {

QString fromTable(std::initializer_list<const char*> texts, qint32 value, qint32* error)
{
    if (value < 0 || value >= static_cast<qint32>(texts.size())) {
        if (error)
            *error = 1;
        return QString();
    }
    if (error)
        *error = 0;
    return QString::fromLatin1(texts.begin()[value]);
}

} // namespace

QString VantelMidiParameters::formatKnobMode(qint32 value, qint32* error)
{
    return fromTable({"Circular", "Linear"}, value, error);
}

QString VantelMidiParameters::formatProgramNumberBase(qint32 value, qint32* error)
{
    return fromTable({"Zero-based", "One-based"}, value, error);
}

QString VantelMidiParameters::formatFontSize(qint32 value, qint32* error)
{
    return fromTable({"Normal", "Large"}, value, error);
}

QString VantelMidiParameters::formatMiddleC(qint32 value, qint32* error)
{
    return fromTable({"C3", "C4", "C5"}, value, error);
}

QString VantelMidiParameters::formatTimeFormat(qint32 value, qint32* error)
{
    return fromTable({"Clock", "Integer"}, value, error);
}

QString VantelMidiParameters::formatMidiThru(qint32 value, qint32* error)
{
    return fromTable({"Off", "Port1->Port1", "Port1->Port2", "Port1->Port1+Port2"}, value, error);
}

QString VantelMidiParameters::formatMidiThruSecond(qint32 value, qint32* error)
{
    return fromTable({"Off", "Port2->Port2", "Port2->Port1", "Port2->Port1+Port2"}, value, error);
}

VantelMidiParameters::VantelMidiParameters(ModelIF* model)
{
    if (!model)
        return;

    // Null when the host names no documents folder; the file dialogs then start where they like.
    const QString documents = QStandardPaths::standardLocations(QStandardPaths::DocumentsLocation).value(0);

    model->registerParameter(ParamTransmissionState, 0, 2, 0, QString());
    model->registerStringParameter(ParamDumpFileWorkingDirectory, documents,
                                   QStringLiteral("Dump File Working Directory"));
    model->registerStringParameter(ParamProjectFileWorkingDirectory, documents,
                                   QStringLiteral("Project File Working Directory"));
    model->registerParameter(ParamModified, 0, 1, 0, QString());
    model->registerParameter(ParamRepeatTransmission, 0, 1, 0, QString());
    model->registerStringParameter(ParamOutputLogFileWorkingDirectory, documents,
                                   QStringLiteral("Output Log File Working Directory"));

    const qint32 portMax = 2147483647;
    model->registerParameter(ParamMidiThru, 0, 3, 0, QStringLiteral("Thru"), &formatMidiThru);
    model->registerParameter(ParamBulkInterval, 0, 1000, 0, QStringLiteral("Bulk Interval (ms)"));
    model->registerParameter(ParamMidiThruSecond, 0, 3, 0, QStringLiteral("Thru"), &formatMidiThruSecond);
    model->registerParameter(ParamInputPortIndex, 0, portMax, 0, QStringLiteral("Input Port Index"));
    model->registerParameter(ParamInputPortIndexSecond, 0, portMax, 0, QStringLiteral("Input Port Index"));
    model->registerParameter(ParamOutputPortIndex, 0, portMax, 0, QStringLiteral("Output Port Index"));
    model->registerParameter(ParamOutputPortIndexSecond, 0, portMax, 0, QStringLiteral("Output Port Index"));
    model->registerParameter(ParamMonitorPort1, 0, 1, 1, QStringLiteral("Port1"));
    model->registerParameter(ParamMonitorPort2, 0, 1, 1, QStringLiteral("Port2"));

    for (qint32 id = ParamFilterChannel; id <= ParamFilterChannelLast; ++id)
        model->registerParameter(id, 0, 1, 0, QString());
    for (qint32 id = ParamFilterNoteOff; id <= ParamFilterSystemRealtime; ++id)
        model->registerParameter(id, 0, 1, 0, QString());
    for (qint32 id = ParamFilterControlChangeNumber; id <= ParamFilterControlChangeNumberLast; ++id)
        model->registerParameter(id, 0, 1, 0, QString());
    for (qint32 id = ParamFilterTimeCode; id <= ParamFilterTuneRequest; ++id)
        model->registerParameter(id, 0, 1, 0, QString());
    for (qint32 id = ParamFilterTimingClock; id <= ParamFilterSystemReset; ++id)
        model->registerParameter(id, 0, 1, 0, QString());

    model->registerParameter(ParamKnobMode, 0, 1, 0, QStringLiteral("Knob Mode"), &formatKnobMode);
    model->registerParameter(ParamTimeStamp, 0, 1, 0, QStringLiteral("Time"));
    model->registerParameter(ParamMessageFontSize, 0, 1, 0, QStringLiteral("Font Size"), &formatFontSize);
    model->registerParameter(ParamMessageColor, 0, 1, 1, QStringLiteral("Color"));
    model->registerParameter(ParamMessageDetail, 0, 1, 0, QStringLiteral("Details"));
    model->registerParameter(ParamMiddleC, 0, 2, 0, QStringLiteral("Middle C"), &formatMiddleC);
    model->registerParameter(ParamTimeFormat, 0, 1, 0, QStringLiteral("Time Format"), &formatTimeFormat);
    model->registerParameter(ParamParser, 0, 1, 1, QStringLiteral("Parser"));
    model->registerParameter(ParamProgramNumberBase, 0, 1, 1, QStringLiteral("Program Number"),
                             &formatProgramNumberBase);

    model->registerParameter(ParamPCKeyboardEnable, 0, 1, 0, QStringLiteral("Enable"));
    model->registerParameter(ParamPCKeyboardOctave, -5, 4, 0, QStringLiteral("Octave"));
    model->registerParameter(ParamPCKeyboardChannel, 1, 16, 1, QStringLiteral("Channel"));
    model->registerParameter(ParamPCKeyboardNoteOnVelocity, 0, 127, 64, QStringLiteral("NoteOn Vel."));
    model->registerParameter(ParamPCKeyboardNoteOffVelocity, 0, 127, 0, QStringLiteral("NoteOff Vel."));
}

VantelMidiParameters::~VantelMidiParameters() = default;
