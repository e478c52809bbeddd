#include "MidiEditRepeatMessageView.h"

#include "MidiEditView.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

MidiEditRepeatMessageView::MidiEditRepeatMessageView(MidiEditView* anOwner) : QWidget(anOwner), owner(anOwner)
{
    layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    label = new QLabel(tr("Retransmitting message."), this);
    label->setAlignment(Qt::AlignCenter);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    pushButton = new QPushButton(tr("Cancel"), this);
    layout->addWidget(label, 1);
    layout->addWidget(pushButton, 0, Qt::AlignHCenter);
    connect(pushButton, &QAbstractButton::released, this, &MidiEditRepeatMessageView::releasedButton);
}

QString MidiEditRepeatMessageView::labelText() const
{
    return label->text();
}

void MidiEditRepeatMessageView::releasedButton()
{
    owner->showPage(MidiEditView::GeneralPage);
    owner->stopRepeat();
}

void MidiEditRepeatMessageView::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 200));
}

void MidiEditRepeatMessageView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    pushButton->setFocus();
}

void MidiEditRepeatMessageView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        releasedButton();
        return;
    }
    QWidget::keyPressEvent(event);
}
