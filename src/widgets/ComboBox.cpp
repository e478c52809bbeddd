#include "ComboBox.h"

#include <limits>

ComboBox::ComboBox(QWidget* parent) : QComboBox(parent)
{
    connect(this, qOverload<int>(&QComboBox::currentIndexChanged), this, &ComboBox::updateValue);
}

void ComboBox::update(qint32)
{
    if (count() > 0)
        setCurrentIndex(getValue());
}

void ComboBox::connectionChanged()
{
    if (!isConnected())
        return;
    // 64-bit: a range with a negative minimum may span more than qint32 holds.
    const qint64 span = static_cast<qint64>(getMaximum()) - getMinimum();
    if (span < 1)
        return;
    filling = true;
    if (span < std::numeric_limits<qint32>::max()) {
        // Reconnecting must not append the texts a second time.
        clear();
        for (qint32 value = 0; value <= span; ++value)
            addItem(getValueText(value));
    }
    filling = false;
    setCurrentIndex(getValue());
}

void ComboBox::replaceItems(const QStringList& texts)
{
    filling = true;
    clear();
    addItems(texts);
    filling = false;
    if (isConnected())
        setCurrentIndex(getValue());
}

void ComboBox::updateValue(qint32 index)
{
    // An index of -1 (no current item: the list was cleared, or the parameter holds a value
    // without an item) is not a value of the parameter and must not be written.
    if (filling || index < 0)
        return;
    setValue(index);
}
