#pragma once

#include <QtGlobal>

// The ids of every parameter of the application. Blocks by purpose; ids not listed are not
// registered. For the two numbered filter blocks use the helpers below.
enum VantelMidiParameterId : qint32
{
    // Working state and directories.
    ParamTransmissionState = 0,
    ParamDumpFileWorkingDirectory = 1,
    ParamProjectFileWorkingDirectory = 2,
    ParamModified = 3,
    ParamRepeatTransmission = 4,
    ParamOutputLogFileWorkingDirectory = 5,

    // MIDI ports. A port index holds the host device index plus one; 0 means no port.
    ParamMidiThru = 500,
    ParamBulkInterval = 501,
    ParamMidiThruSecond = 502,
    ParamInputPortIndex = 503,
    ParamInputPortIndexSecond = 504,
    ParamOutputPortIndex = 505,
    ParamOutputPortIndexSecond = 506,
    ParamMonitorPort1 = 507,
    ParamMonitorPort2 = 508,

    // Channel filter: channel 1..16 at 600..615.
    ParamFilterChannel = 600,
    ParamFilterChannelLast = 615,

    // Message-type filter. 703, 708 and 709 are the filter view's group check boxes only.
    ParamFilterNoteOff = 700,
    ParamFilterNoteOn = 701,
    ParamFilterKeyPressure = 702,
    ParamFilterControlChange = 703,
    ParamFilterProgramChange = 704,
    ParamFilterChannelPressure = 705,
    ParamFilterPitchBend = 706,
    ParamFilterSystemExclusive = 707,
    ParamFilterSystemCommon = 708,
    ParamFilterSystemRealtime = 709,

    // Control-change filter: controller 0..127 at 800..927.
    ParamFilterControlChangeNumber = 800,
    ParamFilterControlChangeNumberLast = 927,

    // System-common filter.
    ParamFilterTimeCode = 1000,
    ParamFilterSongPosition = 1001,
    ParamFilterSongSelect = 1002,
    ParamFilterTuneRequest = 1003,

    // System-realtime filter.
    ParamFilterTimingClock = 1100,
    ParamFilterStart = 1101,
    ParamFilterContinue = 1102,
    ParamFilterStop = 1103,
    ParamFilterActiveSensing = 1104,
    ParamFilterSystemReset = 1105,

    // Preferences.
    ParamKnobMode = 1200,
    ParamTimeStamp = 1201,
    ParamMessageFontSize = 1202,
    ParamMessageColor = 1203,
    ParamMessageDetail = 1204,
    ParamMiddleC = 1205,
    ParamTimeFormat = 1206,
    ParamParser = 1207,
    ParamProgramNumberBase = 1208,

    // PC keyboard.
    ParamPCKeyboardEnable = 1300,
    ParamPCKeyboardOctave = 1301,
    ParamPCKeyboardChannel = 1302,
    ParamPCKeyboardNoteOnVelocity = 1303,
    ParamPCKeyboardNoteOffVelocity = 1304,
};

// channel: 1..16.
constexpr qint32 paramFilterChannel(qint32 channel)
{
    return ParamFilterChannel + channel - 1;
}

// controller: 0..127.
constexpr qint32 paramFilterControlChangeNumber(qint32 controller)
{
    return ParamFilterControlChangeNumber + controller;
}
