#pragma once

#include "FileStream.h"
#include "WindowRestorationInfo.h"

#include <QFrame>

class Dial;
class QComboBox;
class QPushButton;
class SpinBox;
class VantelMidiModel;
class ViewHost;

// Sends Control Change messages for one controller: every movement of the knob sends its value,
// "Transmit" sends it again. The controller number is kept as the first extra value, so that the
// view is reopened for the same controller. While a project loads nothing is sent (restoring the
// knob moves it).
class MidiControlChangeView : public QFrame, public WindowRestorationInfo, public FileStream
{
    Q_OBJECT

public:
    // controller: 0..127 (the opener refuses others). model and host: not owned, must outlive the
    // view.
    MidiControlChangeView(QWidget* parent, VantelMidiModel* model, ViewHost* host, qint32 controller);
    ~MidiControlChangeView() override;

    bool readFromStream(QDataStream& stream) override;
    bool writeToStream(QDataStream& stream) override;

    SpinBox* channelSpinBox() const { return channel; }
    QComboBox* controllerComboBox() const { return controller; }
    Dial* valueDial() const { return knob; }
    QPushButton* transmitButton() const { return transmit; }

public Q_SLOTS:
    void updateControlChangeChannel(qint32 value);
    void updateControlChangeValue(qint32 value);
    void controlChangeNumberChanged(qint32 number);
    void transmitButtonPressed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void sendValue(qint32 value);

    SpinBox* channel = nullptr;
    QComboBox* controller = nullptr;
    Dial* knob = nullptr;
    QPushButton* transmit = nullptr;
    VantelMidiModel* model;
    ViewHost* host;
};
