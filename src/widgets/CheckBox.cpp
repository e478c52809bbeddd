#include "CheckBox.h"

CheckBox::CheckBox(QWidget* parent) : CheckBox(QString(), parent) {}

CheckBox::CheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent)
{
    connect(this, &QAbstractButton::clicked, this, &CheckBox::updateCheckbox);
}

void CheckBox::update(qint32)
{
    setChecked(getValue() != 0);
}

void CheckBox::updateCheckbox(bool checked)
{
    setValue(checked ? 1 : 0);
}
