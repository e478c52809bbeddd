#include "MidiFilterDetailView.h"

#include "CheckBox.h"

#include <QGroupBox>
#include <QPushButton>

namespace {

QPushButton* makeButton(QWidget* parent, const QString& text, const QString& accessibleName, int y)
{
    auto* button = new QPushButton(text, parent);
    button->setGeometry(225, y, 50, 20);
    button->setAccessibleName(accessibleName);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

} // namespace

MidiFilterDetailView::MidiFilterDetailView(QWidget* parent, const QString& title, const QString& messages,
                                           const QSize& minimum)
    : QWidget(parent)
{
    setMinimumSize(minimum);
    group = new QGroupBox(title, this);
    group->setGeometry(0, 0, 290, 245);
    group->setMinimumSize(290, 245);
    all = makeButton(group, tr("All"), tr("Set all %1").arg(messages), 195);
    clear = makeButton(group, tr("Clear"), tr("Clear all %1").arg(messages), 217);
    connect(all, &QPushButton::released, this, &MidiFilterDetailView::releasedAllButton);
    connect(clear, &QPushButton::released, this, &MidiFilterDetailView::releasedNoneButton);
}

CheckBox* MidiFilterDetailView::addCheckBox(QWidget* parent, const QString& text, qint32 id)
{
    auto* box = new CheckBox(text, parent);
    box->setFocusPolicy(Qt::StrongFocus);
    box->setId(id);
    boxes.append(box);
    return box;
}

void MidiFilterDetailView::releasedAllButton()
{
    writeAll(1);
}

void MidiFilterDetailView::releasedNoneButton()
{
    writeAll(0);
}

void MidiFilterDetailView::writeAll(qint32 value)
{
    // Through each box's binding, so the analyzer's filter and every other control on the same
    // parameter follow.
    for (CheckBox* box : qAsConst(boxes))
        box->setValue(value);
}
