#include "MIDISettingsGroupBox.h"

#include "Model.h"
#include "VantelMidiParameterId.h"

#include <QPainter>
#include <QPolygonF>

namespace {

// Routing values: 0 off, 1 to the own port, 2 to the other port, 3 to both.
void drawRouting(QPainter& painter, qint32 routing, const QColor& color, QPoint from, QPoint ownOutput,
                 QPoint otherOutput)
{
    if (routing <= 0)
        return;
    painter.setPen(QPen(color, 2));
    if (routing % 2 == 1)
        painter.drawLine(from, ownOutput);
    if (routing != 1)
        painter.drawLine(from, otherOutput);
}

void drawArrowhead(QPainter& painter, const QRect& box)
{
    QPolygonF triangle;
    triangle << QPointF(box.left(), box.top()) << QPointF(box.left() + box.width(), box.top())
             << QPointF(box.left() + box.width() * 0.5, box.top() + box.height());
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::gray);
    painter.drawPolygon(triangle);
}

} // namespace

MIDISettingsGroupBox::MIDISettingsGroupBox(const QString& title, Model* aModel, QWidget* parent)
    : QGroupBox(title, parent), model(aModel)
{
    Q_ASSERT(model != nullptr);
    routing1 = model->getValue(ParamMidiThru);
    routing2 = model->getValue(ParamMidiThruSecond);
    model->addAssistant(this);
}

MIDISettingsGroupBox::~MIDISettingsGroupBox()
{
    model->removeAssistant(this);
}

void MIDISettingsGroupBox::parameterChanged(qint32 id)
{
    if (id == ParamMidiThru)
        routing1 = model->getValue(ParamMidiThru);
    else if (id == ParamMidiThruSecond)
        routing2 = model->getValue(ParamMidiThruSecond);
    else
        return;
    QWidget::update();
}

void MIDISettingsGroupBox::paintEvent(QPaintEvent* event)
{
    QGroupBox::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    drawRouting(painter, routing1, QColor(12, 109, 255), Port1Input, Port1Output, Port2Output);
    drawArrowhead(painter, QRect(253, 55, 10, 10));
    drawRouting(painter, routing2, QColor(133, 80, 80), Port2Input, Port2Output, Port1Output);
    drawArrowhead(painter, QRect(253, 90, 10, 10));
}
