#pragma once

#include "PushButton.h"

// An image button of the transport panel: the standard button face with the image frame of its
// state drawn over it, so the button keeps the look of the buttons beside it.
class MidiTransportPanelPlayStopButton : public PushButton
{
    Q_OBJECT

public:
    explicit MidiTransportPanelPlayStopButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
