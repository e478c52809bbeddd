#pragma once

#include "FileStream.h"
#include "ModelAssistant.h"
#include "WindowRestorationInfo.h"

#include <QFrame>

class QCheckBox;
class QPushButton;
class SevenSegment;
class SpinBox;
class VantelMidiModel;
class ViewHost;

// Sends a Program Change on a channel, optionally preceded by Bank Select MSB and LSB. The program
// number is shown counted from 1 or from 0, as the "Program Number" preference (1208) says; when
// the preference changes the display follows so that the same MIDI program stays selected, and
// nothing is sent. With "Auto Transmit" every change of channel, bank or program sends the group.
class MidiProgramChangeView : public QFrame,
                              public WindowRestorationInfo,
                              public FileStream,
                              public ModelAssistant
{
    Q_OBJECT

public:
    // model and host: not owned, must outlive the view.
    MidiProgramChangeView(QWidget* parent, VantelMidiModel* model, ViewHost* host);
    ~MidiProgramChangeView() override;

    void parameterChanged(qint32 id) override;
    bool readFromStream(QDataStream& stream) override;
    bool writeToStream(QDataStream& stream) override;

    SpinBox* channelSpinBox() const { return channel; }
    SpinBox* msbSpinBox() const { return msb; }
    SpinBox* lsbSpinBox() const { return lsb; }
    QCheckBox* msbCheckBox() const { return msbCheck; }
    QCheckBox* lsbCheckBox() const { return lsbCheck; }
    SevenSegment* programDisplay() const { return program; }
    QCheckBox* autoTransmitCheckBox() const { return autoTransmit; }
    QPushButton* transmitButton() const { return transmit; }

public Q_SLOTS:
    void updateChannel(qint32 value);
    void updateMSB(qint32 value);
    void updateLSB(qint32 value);
    void updateProgramNumber(qint32 value);
    void transmitButtonPressed();
    void updateCheckbox(bool checked);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void changed();
    void transmitGroup();
    // Sets the display's range for a base and shows value there, silently.
    void showProgram(qint32 base, qint32 value);

    SpinBox* msb = nullptr;
    QCheckBox* msbCheck = nullptr;
    SpinBox* lsb = nullptr;
    QCheckBox* lsbCheck = nullptr;
    SevenSegment* program = nullptr;
    SpinBox* channel = nullptr;
    QCheckBox* autoTransmit = nullptr;
    QPushButton* transmit = nullptr;
    VantelMidiModel* model;
    ViewHost* host;
    bool busy = false;
    qint32 base = 1;
};
