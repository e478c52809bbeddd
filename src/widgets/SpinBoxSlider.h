#pragma once

#include "WidgetSlider.h"

class SpinBox;

// The drag overlay of a SpinBox. It covers the whole spin box; the spin box owns it (Qt parent)
// and keeps it the size of itself.
class SpinBoxSlider : public WidgetSlider
{
    Q_OBJECT

public:
    explicit SpinBoxSlider(SpinBox* spinBox);

    void setValue(qint32 value) override;
    qint32 value() const override;
    qint32 minimum() const override;
    qint32 maximum() const override;
    void resetToDefault() override;
    void beginTextInput() override;

private:
    SpinBox* spinBox;
};
