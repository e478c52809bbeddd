#include "KeyboardNoteEventManager.h"

#include "MidiSender.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {

// Semitone offsets from the base note, in key order.
const char lowerRow[] = "ZSXDCVGBHNJM";
const char upperRow[] = "Q2W3ER5T6Y7UI";
constexpr int upperRowStart = 12;

constexpr quint8 noteOnLabel = 1;
constexpr quint8 noteOffLabel = 0;

// Linux key codes (evdev code + 8, as X11 and Wayland report them) of the keys a US keyboard
// labels with a digit, a letter or the comma.
struct ScanCodeKey
{
    quint32 scanCode;
    quint8 key;
};
constexpr ScanCodeKey usKeyboard[] = {
    {10, '1'},
    {11, '2'},
    {12, '3'},
    {13, '4'},
    {14, '5'},
    {15, '6'},
    {16, '7'},
    {17, '8'},
    {18, '9'},
    {19, '0'},
    {24, 'Q'},
    {25, 'W'},
    {26, 'E'},
    {27, 'R'},
    {28, 'T'},
    {29, 'Y'},
    {30, 'U'},
    {31, 'I'},
    {32, 'O'},
    {33, 'P'},
    {38, 'A'},
    {39, 'S'},
    {40, 'D'},
    {41, 'F'},
    {42, 'G'},
    {43, 'H'},
    {44, 'J'},
    {45, 'K'},
    {46, 'L'},
    {52, 'Z'},
    {53, 'X'},
    {54, 'C'},
    {55, 'V'},
    {56, 'B'},
    {57, 'N'},
    {58, 'M'},
    {59, KeyboardNoteEventManager::CommaKey},
};

quint8 upperCase(quint8 key)
{
    return key >= 'a' && key <= 'z' ? quint8(key - 'a' + 'A') : key;
}

} // namespace

KeyboardNoteEventManager::KeyboardNoteEventManager(VantelMidiModel* aModel, MidiSender* aSender)
    : model(aModel), sender(aSender)
{
    Q_ASSERT(model);
    readSettings();
    for (int i = 0; lowerRow[i] != '\0'; ++i)
        keyMap.insert(quint8(lowerRow[i]), quint8(i));
    for (int i = 0; upperRow[i] != '\0'; ++i)
        keyMap.insert(quint8(upperRow[i]), quint8(upperRowStart + i));
    releaseTimer.setSingleShot(true);
    releaseTimer.setInterval(ReleaseDelayMs);
    QObject::connect(&releaseTimer, &QTimer::timeout, &releaseTimer, [this] { finishReleases(); });
    model->addAssistant(this);
}

KeyboardNoteEventManager::~KeyboardNoteEventManager()
{
    model->removeAssistant(this);
    releaseAllNotes();
}

void KeyboardNoteEventManager::readSettings()
{
    enabled = model->getValue(ParamPCKeyboardEnable) != 0;
    octave = qint8(model->getValue(ParamPCKeyboardOctave));
    channel = quint8(model->getValue(ParamPCKeyboardChannel));
    noteOnVelocity = quint8(model->getValue(ParamPCKeyboardNoteOnVelocity));
    noteOffVelocity = quint8(model->getValue(ParamPCKeyboardNoteOffVelocity));
}

void KeyboardNoteEventManager::parameterChanged(qint32 id)
{
    if (id >= ParamPCKeyboardEnable && id <= ParamPCKeyboardNoteOffVelocity)
        readSettings();
}

bool KeyboardNoteEventManager::focusTakesText()
{
    const QWidget* focus = QApplication::focusWidget();
    if (!focus)
        return false;
    if (qobject_cast<const QLineEdit*>(focus))
        return true;
    if (const auto* spinBox = qobject_cast<const QAbstractSpinBox*>(focus)) {
        // Our spin boxes show their value read-only until a double-click opens the text.
        const auto* edit = spinBox->findChild<const QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
        return edit && !edit->isReadOnly();
    }
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(focus))
        return !plain->isReadOnly();
    if (const auto* text = qobject_cast<const QTextEdit*>(focus))
        return !text->isReadOnly();
    return false;
}

void KeyboardNoteEventManager::settleOtherReleases(quint8 key, quint64 timestamp)
{
    // A repeat's press follows its release at once; another key's event in between (at another
    // time) shows that a waiting release was a real one, and its Note Off keeps its place.
    if (timestamp == 0)
        return;
    for (HeldNote& entry : held)
        if (entry.active && entry.releasePending && entry.key != key && entry.releaseTime != timestamp)
            endNote(entry, noteOffVelocity);
}

bool KeyboardNoteEventManager::keyPressed(quint8 key, bool autoRepeat, quint64 timestamp)
{
    key = upperCase(key);
    settleOtherReleases(key, timestamp);
    for (HeldNote& entry : held) {
        if (!entry.active || entry.key != key)
            continue;
        // The key already sounds its note: the keyboard's repeat is swallowed.
        if (autoRepeat || (entry.releasePending && timestamp != 0 && timestamp == entry.releaseTime)) {
            entry.releasePending = false;
            return true;
        }
        // Pressed again within the release delay: the note ends now and sounds anew below.
        if (entry.releasePending) {
            endNote(entry, noteOffVelocity);
            break;
        }
        // A second press without a release in between (one lost elsewhere) is left to the widget.
        return false;
    }
    if (!enabled || QApplication::activePopupWidget() || focusTakesText())
        return false;
    const auto offset = keyMap.constFind(key);
    if (offset == keyMap.constEnd())
        return false;
    const int note = (octave + 5) * 12 + offset.value();
    if (note < 0 || note > 127)
        return false;
    HeldNote& entry = held[size_t(note)];
    // Sounding already from another key (the same note after an octave change).
    if (entry.active)
        return true;
    entry.channel = quint8(channel - 1);
    entry.note = quint8(note);
    entry.key = key;
    entry.active = true;
    entry.releasePending = false;
    send(quint8(0x90 | entry.channel), entry.note, noteOnVelocity, noteOnLabel);
    return true;
}

bool KeyboardNoteEventManager::keyReleased(quint8 key, bool autoRepeat, quint64 timestamp)
{
    key = upperCase(key);
    settleOtherReleases(key, timestamp);
    for (HeldNote& entry : held) {
        if (!entry.active || entry.key != key || entry.releasePending)
            continue;
        if (autoRepeat)
            return true;
        // Without a time stamp a repeat shows only by its mark: nothing to wait for.
        if (timestamp == 0) {
            endNote(entry, noteOffVelocity);
            return true;
        }
        entry.releasePending = true;
        entry.releaseTime = timestamp;
        releaseTimer.start();
        return true;
    }
    return false;
}

void KeyboardNoteEventManager::finishReleases()
{
    for (HeldNote& entry : held)
        if (entry.active && entry.releasePending)
            endNote(entry, noteOffVelocity);
}

void KeyboardNoteEventManager::endNote(HeldNote& entry, quint8 velocity)
{
    entry.key = 0;
    entry.active = false;
    entry.releasePending = false;
    // The channel and note of the press: an octave or channel change while the key was down
    // still ends the note that sounds.
    send(quint8(0x80 | entry.channel), entry.note, velocity, noteOffLabel);
}

void KeyboardNoteEventManager::releaseAllNotes()
{
    releaseTimer.stop();
    for (HeldNote& entry : held)
        if (entry.active)
            endNote(entry, 0);
}

void KeyboardNoteEventManager::send(quint8 status, quint8 note, quint8 velocity, quint8 labelKind)
{
    if (!sender)
        return;
    const quint8 bytes[3] = {status, note, velocity};
    sender->sendToOutputPorts(bytes, 3, labelKind, 2);
}

quint8 KeyboardNoteEventManager::keyCode(const QKeyEvent* event)
{
#ifdef Q_OS_LINUX
    if (const quint32 scanCode = event->nativeScanCode(); scanCode != 0) {
        for (const ScanCodeKey& entry : usKeyboard)
            if (entry.scanCode == scanCode)
                return entry.key;
        return NoKey;
    }
#endif
    // Synthesised events and platforms without scan codes: the key as the layout names it.
    if (event->modifiers() & Qt::KeypadModifier)
        return NoKey;
    const int key = event->key();
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return quint8(key);
    if (key == Qt::Key_Comma)
        return CommaKey;
    return NoKey;
}
