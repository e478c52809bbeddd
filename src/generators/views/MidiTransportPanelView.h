#pragma once

#include "FileStream.h"
#include "WindowRestorationInfo.h"

#include <QFrame>

class MidiTransportPanelPlayStopButton;
class QPushButton;
class SpinBox;
class VantelMidiModel;
class ViewHost;

// Sends the transport messages to both output ports: Song Select and Song Position Pointer from
// their spin boxes (at once when the user commits a value, again with "Transmit"), and Stop,
// Continue and Start from three image buttons, each sent on press. Each button is named, for the
// screen reader and the tool tip alike, after the message it sends.
class MidiTransportPanelView : public QFrame, public WindowRestorationInfo, public FileStream
{
    Q_OBJECT

public:
    // model and host: not owned, must outlive the view.
    MidiTransportPanelView(QWidget* parent, VantelMidiModel* model, ViewHost* host);
    ~MidiTransportPanelView() override;

    // Data bytes of a Song Position Pointer: LSB, MSB; both 0 outside 0..16383.
    static void songPositionBytes(qint32 position, quint8* lsb, quint8* msb);

    bool readFromStream(QDataStream& stream) override;
    bool writeToStream(QDataStream& stream) override;

    SpinBox* songNumberSpinBox() const { return songNumber; }
    SpinBox* songPositionSpinBox() const { return songPosition; }
    QPushButton* songNumberTransmitButton() const { return songNumberTransmit; }
    QPushButton* songPositionTransmitButton() const { return songPositionTransmit; }
    MidiTransportPanelPlayStopButton* stopButton() const { return stop; }
    MidiTransportPanelPlayStopButton* continueButton() const { return play; }
    MidiTransportPanelPlayStopButton* startButton() const { return start; }

public Q_SLOTS:
    void playButtonPressed();
    void stopButtonPressed();
    void playFromFirstButtonPressed();
    void songNumberChanged(qint32 value);
    void songPositionChanged(qint32 value);
    void songNumberTransmitButtonPressed();
    void songPositionTransmitButtnPressed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void send(const quint8* bytes, quint32 length, quint8 kind);
    void sendSongSelect(qint32 songNumber);
    void sendSongPosition(qint32 position);

    SpinBox* songNumber = nullptr;
    SpinBox* songPosition = nullptr;
    QPushButton* songNumberTransmit = nullptr;
    QPushButton* songPositionTransmit = nullptr;
    MidiTransportPanelPlayStopButton* stop = nullptr;
    MidiTransportPanelPlayStopButton* play = nullptr;
    MidiTransportPanelPlayStopButton* start = nullptr;
    VantelMidiModel* model;
    ViewHost* host;
};
