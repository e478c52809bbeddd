#pragma once

#include "ModelConnection.h"

#include <QCheckBox>

// A check box bound to one parameter: a click writes 1 (checked) or 0, and the box follows every
// change of the parameter. Not connected, it is a plain check box.
class CheckBox : public QCheckBox, public ModelConnection
{
    Q_OBJECT

public:
    explicit CheckBox(QWidget* parent = nullptr);
    explicit CheckBox(const QString& text, QWidget* parent = nullptr);

    using QWidget::update;
    void update(qint32 id) override;

public Q_SLOTS:
    void updateCheckbox(bool checked);
};
