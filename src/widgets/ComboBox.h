#pragma once

#include "ModelConnection.h"

#include <QComboBox>

// A combo box bound to one parameter whose minimum is 0: item index i stands for value i. On
// connecting it fills itself with the parameter's value texts of 0 .. (maximum - minimum); a
// parameter with a single value gives no items, and the widest range (the whole 32-bit span, used
// for port indices) is left to the owning view to fill. Selecting an item writes its index.
//
// A view that fills the list itself does so before connecting, or with replaceItems: adding the
// first item to an empty list makes it current, which would otherwise be written as value 0.
class ComboBox : public QComboBox, public ModelConnection
{
    Q_OBJECT

public:
    explicit ComboBox(QWidget* parent = nullptr);

    using QWidget::update;
    void update(qint32 id) override;
    void connectionChanged() override;

    // Replaces the items without writing anything, then shows the parameter's value.
    void replaceItems(const QStringList& texts);

public Q_SLOTS:
    void updateValue(qint32 index);

private:
    bool filling = false;
};
