#pragma once

#include <QScrollArea>

class VantelMidiModel;

// The scroll area of the keyboard view: an ordinary vertical wheel scrolls the keyboard sideways,
// and every scroll marks the project modified (the position is saved with the view).
class MidiKeyboardViewScrollArea : public QScrollArea
{
    Q_OBJECT

public:
    // model: not owned, must outlive the area.
    MidiKeyboardViewScrollArea(QWidget* parent, VantelMidiModel* model);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    VantelMidiModel* model;
};
