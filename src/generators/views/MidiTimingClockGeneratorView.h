#pragma once

#include "FileStream.h"
#include "ModelAssistant.h"
#include "WindowRestorationInfo.h"

#include <QFrame>

class MidiLedCombinedDial;
class MidiTimingClockPlayStopButton;
class MidiTimingClockTransmittionThread;
class QLabel;
class VantelMidiModel;
class ViewHost;

// Sends Timing Clock at the tempo of its knob while the play button is down, the knob's lamp
// flashing on every quarter note, and shows in its "Receive" row the tempo measured from the clocks
// arriving at the inputs (handed in by the main window's refresh tick). The clocks come from a
// thread of their own (MidiTimingClockTransmittionThread); Start, Continue and Stop belong to the
// transport panel.
class MidiTimingClockGeneratorView : public QFrame,
                                     public WindowRestorationInfo,
                                     public FileStream,
                                     public ModelAssistant
{
    Q_OBJECT

public:
    static constexpr qint32 MinimumTempo = 5;
    static constexpr qint32 MaximumTempo = 300;
    static constexpr qint32 DefaultTempo = 90;

    // model and host: not owned, must outlive the view (the host also the clock thread, see
    // WorkerThread::finishReleased).
    MidiTimingClockGeneratorView(QWidget* parent, VantelMidiModel* model, ViewHost* host);
    ~MidiTimingClockGeneratorView() override;

    // tenths: the measured tempo in tenths of BPM, 0 when there is none.
    void setReceivedTempo(quint64 tenths);
    // "---", a number from 5 to 300, or "300" above it.
    static QString tempoText(quint64 tenths);

    void parameterChanged(qint32 id) override;
    bool readFromStream(QDataStream& stream) override;
    bool writeToStream(QDataStream& stream) override;

    MidiLedCombinedDial* tempoDial() const { return knob; }
    MidiTimingClockPlayStopButton* playButton() const { return button; }
    QLabel* receivedTempoLabel() const { return receivedTempo; }
    // Null once the view has closed.
    MidiTimingClockTransmittionThread* clockThread() const { return thread; }

public Q_SLOTS:
    void updatedKnobValue(qint32 value);
    void updatedplayButton(bool checked);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void applyParser();
    void releaseThread();

    MidiTimingClockTransmittionThread* thread = nullptr;
    MidiTimingClockPlayStopButton* button = nullptr;
    VantelMidiModel* model;
    MidiLedCombinedDial* knob = nullptr;
    QLabel* receiveCaption = nullptr;
    QLabel* receivedTempo = nullptr;
};
