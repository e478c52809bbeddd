#include "MidiTransportPanelPlayStopButton.h"

MidiTransportPanelPlayStopButton::MidiTransportPanelPlayStopButton(QWidget* parent) : PushButton(parent) {}

void MidiTransportPanelPlayStopButton::paintEvent(QPaintEvent* event)
{
    QPushButton::paintEvent(event);
    PushButton::paintEvent(event);
}
