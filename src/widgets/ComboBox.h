#pragma once

#include "ModelConnection.h"

#include <QComboBox>

// A combo box bound to one parameter whose minimum is 0: item index i stands for value i. On
// connecting it fills itself with the parameter's value texts of 0 .. (maximum - minimum); a
// parameter with a single value gives no items, and the widest range (the whole 32-bit span, used
// for port indices) is left to the owning view to fill. Selecting an item writes its index.
class ComboBox : public QComboBox, public ModelConnection
{
    Q_OBJECT

public:
    explicit ComboBox(QWidget* parent = nullptr);

    using QWidget::update;
    void update(qint32 id) override;
    void connectionChanged() override;

public Q_SLOTS:
    void updateValue(qint32 index);

private:
    bool filling = false;
};
