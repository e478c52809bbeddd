#pragma once

#include "VantelMidiStyle.h"

// A style for single check boxes that act as clickable captions (the group check boxes of the
// filter view): the indicator is not drawn, so the box shows only its text, and the box takes no
// keyboard focus. Set it with QWidget::setStyle; the widget does not take ownership, so give the
// style a parent that outlives the check box.
class UnstyledCheckBox : public VantelMidiStyle
{
    Q_OBJECT

public:
    explicit UnstyledCheckBox(QStyle* baseStyle = nullptr);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void polish(QWidget* widget) override;
    using VantelMidiStyle::polish;
};
