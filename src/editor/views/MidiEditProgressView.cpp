#include "MidiEditProgressView.h"

#include "MidiEditView.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* makeOverlayLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignCenter);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(palette);
    return label;
}

QString byteCountText(quint32 count)
{
    return QString::number(count) + (count == 1 ? QStringLiteral("Byte") : QStringLiteral("Bytes"));
}

} // namespace

MidiEditProgressView::MidiEditProgressView(MidiEditView* anOwner, VantelMidiModel* aModel)
    : QWidget(anOwner), owner(anOwner), model(aModel)
{
    layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    label = makeOverlayLabel(this);
    pushButton = new QPushButton(tr("OK"), this);
    layout->addWidget(label, 1);
    layout->addWidget(pushButton, 0, Qt::AlignHCenter);
    connect(pushButton, &QAbstractButton::released, this, &MidiEditProgressView::releasedButton);
    model->addAssistant(this);
}

MidiEditProgressView::~MidiEditProgressView()
{
    model->removeAssistant(this);
}

void MidiEditProgressView::setMode(bool transmitting, quint32 minimum, quint32 maximum)
{
    if (transmitting) {
        if (bar == nullptr && minimum < maximum) {
            bar = new QProgressBar(this);
            bar->setTextVisible(false);
            layout->insertWidget(0, bar);
        }
        if (bar != nullptr) {
            // A repeated transmission starts every cycle anew on the same bar. The bar counts in
            // ints; byte totals stay far below that in practice.
            bar->setRange(int(qMin<quint32>(minimum, INT_MAX)), int(qMin<quint32>(maximum, INT_MAX)));
            bar->setValue(int(qMin<quint32>(minimum, INT_MAX)));
        }
        currentState = Transmitting;
        pushButton->setText(tr("Cancel"));
    } else {
        delete bar;
        bar = nullptr;
        currentState = Idle;
        pushButton->setText(tr("OK"));
    }
    value = 0;
    bytes = 0;
    refreshLabel();
}

void MidiEditProgressView::setProgress(quint32 progressValue)
{
    value = progressValue;
    if (bar != nullptr)
        bar->setValue(int(qMin<quint32>(progressValue, INT_MAX)));
}

void MidiEditProgressView::setByteCount(quint32 count)
{
    bytes = count;
    label->setText(byteCountText(count));
}

void MidiEditProgressView::showMessage(const QString& text)
{
    currentState = ShowingError;
    label->setText(text);
    pushButton->setText(tr("OK"));
}

QString MidiEditProgressView::labelText() const
{
    return label->text();
}

void MidiEditProgressView::refreshLabel()
{
    if (currentState == ShowingError)
        return;
    if (model->getValue(ParamRepeatTransmission) != 0)
        label->setText(tr("Unable to receive messages when repeating\nmessage transmission is in-process."));
    else if (model->getValue(ParamParser) != 0)
        label->setText(byteCountText(bytes));
    else
        label->setText(tr("%1 function is currently disabled.\nTurn On File > Preferences > Parser.")
                           .arg(tr("Message receive")));
}

void MidiEditProgressView::parameterChanged(qint32 id)
{
    if (id == ParamRepeatTransmission || id == ParamParser)
        refreshLabel();
}

void MidiEditProgressView::releasedButton()
{
    const bool cancelling = currentState == Transmitting;
    setMode(false, 0, 0);
    owner->setReceiveMode(false);
    // At once, not at the next progress report: that may be a whole piece away.
    if (cancelling)
        owner->cancelTransmission();
}

void MidiEditProgressView::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 200));
}

void MidiEditProgressView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    refreshLabel();
    pushButton->setFocus();
}

void MidiEditProgressView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        releasedButton();
        return;
    }
    QWidget::keyPressEvent(event);
}
