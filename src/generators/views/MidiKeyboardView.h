#pragma once

#include "FileStream.h"
#include "ModelAssistant.h"
#include "WindowRestorationInfo.h"

#include <QFrame>

class MidiKeyboardUpperView;
class MidiKeyboardViewScrollArea;
class PressureKeyboard;
class VantelMidiModel;
class ViewHost;

// The on-screen keyboard of all 128 notes under a strip of controls. Every key press, release and
// pressure becomes a message on the chosen channel, sent to both output ports through the host.
// Notes still held when the channel changes or the view closes are released first, with Note Offs
// on the channel they were played on, so nothing is left sounding.
class MidiKeyboardView : public QFrame, public WindowRestorationInfo, public FileStream, public ModelAssistant
{
    Q_OBJECT

public:
    // model and host: not owned, must outlive the view.
    MidiKeyboardView(QWidget* parent, VantelMidiModel* model, ViewHost* host);
    ~MidiKeyboardView() override;

    // Note Off for every held key.
    void releaseAllKeys();

    void parameterChanged(qint32 id) override;
    bool readFromStream(QDataStream& stream) override;
    bool writeToStream(QDataStream& stream) override;

    MidiKeyboardUpperView* upperView() const { return upper; }
    MidiKeyboardViewScrollArea* scrollArea() const { return scroll; }
    PressureKeyboard* keyboard() const { return keys; }

public Q_SLOTS:
    void noteChannelChanged(qint32 value);
    void velocityChanged(qint32 value);
    void pressureChanged(qint32 index);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void send(quint8 status, quint8 data1, quint8 data2, quint32 length, quint8 kind);

    MidiKeyboardUpperView* upper = nullptr;
    MidiKeyboardViewScrollArea* scroll = nullptr;
    PressureKeyboard* keys = nullptr;
    quint8 channel = 0;
    VantelMidiModel* model;
    ViewHost* host;
};
