#pragma once

#include "FileStream.h"
#include "WindowRestorationInfo.h"

#include <QFrame>

class MidiActivesenseTransmittionThread;
class MidiLedCombinedDial;
class QPushButton;
class VantelMidiModel;
class ViewHost;

// Sends Active Sensing at the interval of its knob while its toggle button is down; the knob's lamp
// stays lit meanwhile. The messages come from a thread of its own
// (MidiActivesenseTransmittionThread), which the button never waits for.
class MidiActivesensingView : public QFrame, public WindowRestorationInfo, public FileStream
{
    Q_OBJECT

public:
    static constexpr qint32 MinimumInterval = 100;
    static constexpr qint32 MaximumInterval = 1000;
    static constexpr qint32 DefaultInterval = 270;

    // model and host: not owned, must outlive the view (the host also the thread, see
    // WorkerThread::finishReleased).
    MidiActivesensingView(QWidget* parent, VantelMidiModel* model, ViewHost* host);
    ~MidiActivesensingView() override;

    bool readFromStream(QDataStream& stream) override;
    bool writeToStream(QDataStream& stream) override;

    MidiLedCombinedDial* intervalDial() const { return knob; }
    QPushButton* transmitButton() const { return button; }
    // Null once the view has closed.
    MidiActivesenseTransmittionThread* senseThread() const { return thread; }

public Q_SLOTS:
    void updatedKnobValue(qint32 value);
    void updatedplayButton(bool checked);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void releaseThread();

    MidiActivesenseTransmittionThread* thread = nullptr;
    QPushButton* button = nullptr;
    VantelMidiModel* model;
    MidiLedCombinedDial* knob = nullptr;
};
