#include "MidiKeyboardViewScrollArea.h"

#include "VantelMidiModel.h"

#include <QScrollBar>
#include <QWheelEvent>

#include <cstdlib>

MidiKeyboardViewScrollArea::MidiKeyboardViewScrollArea(QWidget* parent, VantelMidiModel* aModel)
    : QScrollArea(parent), model(aModel)
{
}

void MidiKeyboardViewScrollArea::wheelEvent(QWheelEvent* event)
{
    QScrollBar* bar = horizontalScrollBar();
    if (bar == nullptr || bar->maximum() <= bar->minimum())
        return;
    const QPoint delta = event->angleDelta();
    if (std::abs(delta.x()) < std::abs(delta.y()))
        bar->setValue(bar->value() - static_cast<int>(static_cast<float>(delta.y()) * 0.5f));
    else
        QScrollArea::wheelEvent(event);
    event->accept();
}

void MidiKeyboardViewScrollArea::scrollContentsBy(int dx, int dy)
{
    if (model != nullptr)
        model->setModified(1);
    QScrollArea::scrollContentsBy(dx, dy);
}
