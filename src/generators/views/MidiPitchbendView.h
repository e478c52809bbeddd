#pragma once

#include "FileStream.h"
#include "WindowRestorationInfo.h"

#include <QFrame>

class MidiPitchbendSlider;
class QCheckBox;
class QPushButton;
class SpinBox;
class VantelMidiModel;
class ViewHost;

// Sends Pitch Bend from a slider of 128 positions that acts as a spring-loaded wheel or, with
// "Wheel Mode" off, as a fader; in fader mode an exact signed 14-bit value can also be typed. The
// slider's position is the coarse byte and the fine byte is spread over the upper half so that the
// top position reaches the full +8191 (fineByte); a typed value moves the slider to the nearest
// position at or below it (position).
class MidiPitchbendView : public QFrame, public WindowRestorationInfo, public FileStream
{
    Q_OBJECT

public:
    // model and host: not owned, must outlive the view.
    MidiPitchbendView(QWidget* parent, VantelMidiModel* model, ViewHost* host);
    ~MidiPitchbendView() override;

    bool readFromStream(QDataStream& stream) override;
    bool writeToStream(QDataStream& stream) override;

    // The fine byte sent with slider position v (0..127).
    static qint32 fineByte(qint32 v);
    // The slider position of an unsigned 14-bit value.
    static qint32 position(qint32 u);

    SpinBox* channelSpinBox() const { return channel; }
    QCheckBox* wheelModeCheckBox() const { return wheelMode; }
    MidiPitchbendSlider* slider() const { return bender; }
    SpinBox* valueSpinBox() const { return valueBox; }
    QPushButton* transmitButton() const { return transmit; }

public Q_SLOTS:
    void sliderValueChanged(qint32 value);
    void updateChannel(qint32 value);
    void updateWheelMode(bool checked);
    void updatePitchbendValue(qint32 value);
    void transmitButtonPressed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // u: 0..16383; anything else sends nothing.
    void sendPitchbend(qint32 u);

    VantelMidiModel* model;
    ViewHost* host;
    QCheckBox* wheelMode = nullptr;
    SpinBox* channel = nullptr;
    MidiPitchbendSlider* bender = nullptr;
    SpinBox* valueBox = nullptr;
    QPushButton* transmit = nullptr;
    bool busy = false;
};
