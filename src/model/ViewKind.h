#pragma once

#include <QtGlobal>

// The kinds of view the main window can host. The numbers 0..14 are those of saved records
// (settings file and project files) and must not change; the views that are never saved (About,
// the licence texts, Preferences) have numbers of their own above them. The shell keeps one table
// row per kind (menu text, shortcut, sub-window name, limit, size, factory); everything else reads
// that table instead of repeating these numbers.
namespace ViewKind {
enum Kind : qint32
{
    MainWindow = 0, // the main window itself in saved records
    MidiInMonitor = 1,
    MidiOutMonitor = 2,
    SystemExclusive = 3,
    Keyboard = 4,
    ControlChange = 5,
    ProgramChange = 6,
    MidiSettings = 7,
    Filter = 8,
    TimingClock = 9,
    PitchBend = 10,
    ActiveSensing = 11,
    PCKeyboard = 12,
    CustomMidiMessage = 13,
    StartStop = 14,
    Unset = 18, // a record no view has claimed: restores nothing

    // Never saved.
    About = 32,
    OpenSourceLicense = 33,
    SoftwareLicense = 34,
    Preferences = 35,
};
} // namespace ViewKind

// The roles of the monitor and system-exclusive view (one view class for all four).
namespace EditKind {
enum Kind : qint32
{
    InMonitor = 0,
    OutMonitor = 1,
    SystemExclusive = 2,
    SystemExclusiveReceive = 3, // a system-exclusive editor opened to collect received data
};
} // namespace EditKind
