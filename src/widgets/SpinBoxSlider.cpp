#include "SpinBoxSlider.h"

#include "SpinBox.h"

SpinBoxSlider::SpinBoxSlider(SpinBox* aSpinBox) : WidgetSlider(aSpinBox), spinBox(aSpinBox) {}

void SpinBoxSlider::setValue(qint32 value)
{
    spinBox->setValueFromSlider(value);
}

qint32 SpinBoxSlider::value() const
{
    return spinBox->currentValue();
}

qint32 SpinBoxSlider::minimum() const
{
    return spinBox->minimum();
}

qint32 SpinBoxSlider::maximum() const
{
    return spinBox->maximum();
}

void SpinBoxSlider::resetToDefault()
{
    spinBox->resetToDefault();
}

void SpinBoxSlider::beginTextInput()
{
    spinBox->beginTextInput();
}
