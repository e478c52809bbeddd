#pragma once

#include <QWidget>

class QComboBox;
class SpinBox;

// The strip above the keyboard: channel, Note On and Note Off velocities and the pressure mode.
// The controls are bound to no parameter; the keyboard view reads them when it builds a message.
class MidiKeyboardUpperView : public QWidget
{
    Q_OBJECT

public:
    explicit MidiKeyboardUpperView(QWidget* parent = nullptr);

    SpinBox* channelSpinBox() const { return channel; }
    SpinBox* noteOnVelocitySpinBox() const { return noteOnVelocity; }
    SpinBox* noteOffVelocitySpinBox() const { return noteOffVelocity; }
    QComboBox* pressureComboBox() const { return pressure; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    SpinBox* channel = nullptr;
    SpinBox* noteOnVelocity = nullptr;
    SpinBox* noteOffVelocity = nullptr;
    QComboBox* pressure = nullptr;
};
