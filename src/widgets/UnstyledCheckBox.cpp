#include "UnstyledCheckBox.h"

#include <QCheckBox>

UnstyledCheckBox::UnstyledCheckBox(QStyle* baseStyle) : VantelMidiStyle(baseStyle) {}

void UnstyledCheckBox::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                     const QWidget* widget) const
{
    if (element == PE_IndicatorCheckBox)
        return;
    VantelMidiStyle::drawPrimitive(element, option, painter, widget);
}

void UnstyledCheckBox::polish(QWidget* widget)
{
    VantelMidiStyle::polish(widget);
    // Without a visible indicator a focus frame would be the only thing showing the state of the
    // box, and a misleading one.
    if (qobject_cast<QCheckBox*>(widget) != nullptr)
        widget->setFocusPolicy(Qt::NoFocus);
}
