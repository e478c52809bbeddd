#pragma once

#include "ModelAssistant.h"

#include <QHash>
#include <QTimer>
#include <QtGlobal>

#include <array>

class MidiSender;
class QKeyEvent;
class VantelMidiModel;

// Plays notes from the computer keyboard: two rows of letter and digit keys form a piano range of
// two octaves and a note, on the channel, octave and velocities of parameters 1300..1304. The main
// window owns one for its whole life and feeds it the keys the application-wide input hook sees,
// whether or not the PC keyboard view is open; a key it plays is consumed, so it never reaches the
// focused widget. GUI thread only.
//
// Auto-repeat. X11 repeats a held key as a release and a press with the same time stamp, and Qt
// marks only some of these pairs as auto-repeated (it looks for the press only among the events
// it has already read). So the release of a key that sounds a note is consumed at once but its
// Note Off waits ReleaseDelayMs: a press of that key with the release's time stamp (or marked as
// a repeat) comes in between and both go without a sound; otherwise the Note Off goes out, at the
// latest when another key's event shows the release was real. Events without a time stamp end
// the note at once.
//
// Keys are known by a one-byte key code: '0'..'9' and 'A'..'Z' as their characters and 188 for the
// comma key. The code names the key's place on a US keyboard (keyCode), so the rows keep their
// piano order on German, French or any other layout.
class KeyboardNoteEventManager : public ModelAssistant
{
public:
    static constexpr quint8 CommaKey = 188;
    // keyCode's answer for a key that is not forwarded.
    static constexpr quint8 NoKey = 0;
    static constexpr int ReleaseDelayMs = 30;

    // model and sender are not owned and must outlive the engine.
    KeyboardNoteEventManager(VantelMidiModel* model, MidiSender* sender);
    // Sends the Note Off of every held note.
    ~KeyboardNoteEventManager() override;

    KeyboardNoteEventManager(const KeyboardNoteEventManager&) = delete;
    KeyboardNoteEventManager& operator=(const KeyboardNoteEventManager&) = delete;

    void parameterChanged(qint32 id) override;

    // true when the key was used and must not reach the focused widget. An auto-repeated press or
    // release of a key that holds a note is used and sends nothing, so a held key gives one
    // Note On and one Note Off whatever the keyboard's repeat does. timestamp: the key event's,
    // 0 when unknown (then only autoRepeat tells a repeat).
    bool keyPressed(quint8 key, bool autoRepeat = false, quint64 timestamp = 0);
    bool keyReleased(quint8 key, bool autoRepeat = false, quint64 timestamp = 0);
    // Note Off with velocity 0 for every held note, in ascending note order; waiting releases
    // included.
    void releaseAllNotes();

    bool isHeld(quint8 note) const { return note < held.size() && held[note].active; }

    // The key code of a key event: the key at that place on a US keyboard when the event carries
    // the platform's scan code (X11 and Wayland key codes on Linux), else the key Qt reports.
    // NoKey for every other key.
    static quint8 keyCode(const QKeyEvent* event);

private:
    struct HeldNote
    {
        quint8 channel = 0; // 0..15, as sent
        quint8 note = 0;
        quint8 key = 0;
        bool active = false;
        // Released, Note Off not sent yet (see auto-repeat above).
        bool releasePending = false;
        quint64 releaseTime = 0;
    };

    void readSettings();
    static bool focusTakesText();
    void send(quint8 status, quint8 note, quint8 velocity, quint8 labelKind);
    void endNote(HeldNote& entry, quint8 velocity);
    // Sends the Note Offs whose release was not a repeat.
    void finishReleases();
    void settleOtherReleases(quint8 key, quint64 timestamp);

    VantelMidiModel* model;
    MidiSender* sender;
    QHash<quint8, quint8> keyMap;
    std::array<HeldNote, 128> held{};
    bool enabled = false;
    qint8 octave = 0;
    quint8 channel = 1;
    quint8 noteOnVelocity = 64;
    quint8 noteOffVelocity = 0;
    QTimer releaseTimer;
};
