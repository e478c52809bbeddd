#include "MidiCustomMidiMessageView.h"

#include "ComboBox.h"
#include "Dial.h"
#include "LineEdit.h"
#include "MidiEditTransmittionThread.h"
#include "SpinBox.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"
#include "ViewHost.h"
#include "ViewKind.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTextCharFormat>
#include <QVBoxLayout>

namespace {

struct ByteCountRange
{
    const char* text;
    qint32 targetBytes;
    qint32 highest; // of the knob; the minimum box ends one below, the maximum box starts at 1
};

constexpr ByteCountRange byteCounts[] = {
    {"1 Byte", 1, 127},
    {"2 Bytes", 2, 16383},
    {"2 Nibbles", 2, 255},
    {"4 Nibbles", 4, 65535},
};
constexpr qint32 byteCountTotal = qint32(sizeof(byteCounts) / sizeof(byteCounts[0]));

const QColor validArcStart(84, 0, 0);
const QColor validArcEnd(255, 245, 245);

bool isSeparator(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char(',');
}

bool isHexDigit(QChar c)
{
    const ushort u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
}

QString withoutSeparators(const QString& text)
{
    QString digits;
    digits.reserve(text.size());
    for (QChar c : text)
        if (!isSeparator(c))
            digits.append(c);
    return digits;
}

// Digit positions (in the text without separators) of the first digit of every target byte.
QVector<int> targetDigitPositions(qint32 byteCount, qint32 target, qint32 offset)
{
    QVector<int> positions;
    if (byteCount < 0 || byteCount >= byteCountTotal)
        return positions;
    // The offset plays no part with a single target byte.
    for (qint32 n = 0; n < byteCounts[byteCount].targetBytes; ++n)
        positions.append(2 * target - 2 + 2 * offset * n);
    return positions;
}

// The bytes written into the target bytes, most significant first.
QVector<quint8> targetBytes(qint32 byteCount, qint32 v)
{
    switch (byteCount) {
    case MidiCustomMidiMessageView::TwoBytes:
        return {quint8((v >> 7) & 0x7F), quint8(v & 0x7F)};
    case MidiCustomMidiMessageView::TwoNibbles:
        return {quint8((v >> 4) & 0x0F), quint8(v & 0x0F)};
    case MidiCustomMidiMessageView::FourNibbles:
        return {quint8((v >> 12) & 0x0F), quint8((v >> 8) & 0x0F), quint8((v >> 4) & 0x0F), quint8(v & 0x0F)};
    default:
        return {quint8(v & 0xFF)};
    }
}

SpinBox* valueBox(const QString& accessibleName)
{
    auto* box = new SpinBox;
    box->setAccessibleName(accessibleName);
    box->setAlignment(Qt::AlignRight);
    box->setFixedHeight(20);
    return box;
}

} // namespace

MidiCustomMidiMessageView::MidiCustomMidiMessageView(QWidget* parent, VantelMidiModel* aModel, ViewHost* host)
    : QFrame(parent), model(aModel)
{
    Q_ASSERT(model);
    viewKind = ViewKind::CustomMidiMessage;

    name = new LineEdit;
    name->setAccessibleName(QStringLiteral("Name"));
    name->setMaxLength(32);
    name->setFixedHeight(20);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(QStringLiteral("Name    ")));
    nameRow->addWidget(name);

    knob = new Dial;
    knob->setAccessibleName(QStringLiteral("Value"));
    knob->setRange(0, 127);
    knob->setValue(0);
    knob->setResetValue(0);
    knob->setTextEditorSize(QSize(50, 20));
    knob->setArcMargins(-3, -3, -3, -3);
    knob->setArcStartColor(validArcStart);
    knob->setArcEndColor(validArcEnd);
    knob->setMinimumSize(60, 60);
    model->addDial(knob);

    minimumBox = valueBox(QStringLiteral("Minimum Value"));
    maximumBox = valueBox(QStringLiteral("Maximum Value"));
    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(new QLabel(QStringLiteral("Minimum")));
    rangeRow->addWidget(minimumBox);
    rangeRow->addWidget(new QLabel(QStringLiteral("Maximum")));
    rangeRow->addWidget(maximumBox);

    message = new LineEdit;
    message->setAccessibleName(QStringLiteral("Message"));
    message->setFixedHeight(20);
    message->setMaxLength(383);
    message->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("^[0-9A-Fa-f,\\ ]+$")), message));
    message->installEventFilter(this);
    auto* messageRow = new QHBoxLayout;
    messageRow->addWidget(new QLabel(QStringLiteral("Message")));
    messageRow->addWidget(message);

    targetByte = valueBox(QStringLiteral("Knob Target Byte"));
    targetByte->setRange(0, 191);
    targetByte->setValue(2);
    targetByte->setResetValue(2);
    auto* targetRow = new QHBoxLayout;
    targetRow->addWidget(new QLabel(QStringLiteral("Knob Target Byte")));
    targetRow->addWidget(targetByte);

    byteCount = new ComboBox;
    byteCount->setFocusPolicy(Qt::StrongFocus);
    byteCount->setAccessibleName(QStringLiteral("Byte Count"));
    for (const ByteCountRange& range : byteCounts)
        byteCount->addItem(QString::fromLatin1(range.text));
    offsetLabel = new QLabel(QStringLiteral("Offset"));
    offset = valueBox(QStringLiteral("Offset"));
    offset->setRange(1, 190);
    offset->setValue(1);
    offset->setResetValue(1);
    auto* countRow = new QHBoxLayout;
    countRow->addWidget(new QLabel(QStringLiteral("Byte Count")));
    countRow->addWidget(byteCount);
    countRow->addWidget(offsetLabel);
    countRow->addWidget(offset);

    transmit = new QPushButton(QStringLiteral("Transmit"));
    transmit->setFocusPolicy(Qt::StrongFocus);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(nameRow);
    layout->addWidget(knob, 1);
    layout->addLayout(rangeRow);
    layout->addLayout(messageRow);
    layout->addLayout(targetRow);
    layout->addLayout(countRow);
    layout->addWidget(transmit);

    setFocusPolicy(Qt::ClickFocus);
    setAutoFillBackground(true);

    applyByteCount(OneByte);
    offsetLabel->setEnabled(false);
    offset->setEnabled(false);
    checkTarget();
    model->setModified(1);
    thread = new MidiEditTransmittionThread(model, host);
    // A knob turned quickly sends many short messages; none is a dump that needs the pause.
    thread->setBulkIntervalBypass(true);
    colour = model->getValue(ParamMessageColor) == 1;
    model->addAssistant(this);

    connect(name, &QLineEdit::textChanged, this, &MidiCustomMidiMessageView::nameChanged);
    connect(knob, &QDial::valueChanged, this, &MidiCustomMidiMessageView::valueChanged);
    connect(minimumBox, &SpinBox::widgetValueChanged, this, &MidiCustomMidiMessageView::minimumValueChanged);
    connect(maximumBox, &SpinBox::widgetValueChanged, this, &MidiCustomMidiMessageView::maximumValueChanged);
    connect(message, &QLineEdit::textChanged, this, &MidiCustomMidiMessageView::messageChanged);
    connect(message, &QLineEdit::textChanged, this, &MidiCustomMidiMessageView::messageTextChanged);
    connect(targetByte, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &MidiCustomMidiMessageView::knobTargetByteChanged);
    connect(byteCount, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MidiCustomMidiMessageView::byteCountChanged);
    connect(offset, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &MidiCustomMidiMessageView::offsetValueChanged);
    connect(transmit, &QPushButton::pressed, this, &MidiCustomMidiMessageView::transmitButtonPressed);
}

MidiCustomMidiMessageView::~MidiCustomMidiMessageView()
{
    model->removeAssistant(this);
    model->removeDial(knob);
    releaseThread();
}

void MidiCustomMidiMessageView::releaseThread()
{
    if (thread) {
        thread->release();
        thread = nullptr;
    }
}

// --- Target bytes ---------------------------------------------------------------------------------

bool MidiCustomMidiMessageView::targetValid(const QString& text, qint32 byteCount, qint32 target,
                                            qint32 offset)
{
    if (target < 1)
        return false;
    const QString digits = withoutSeparators(text);
    const QVector<int> positions = targetDigitPositions(byteCount, target, offset);
    if (positions.isEmpty())
        return false;
    for (int position : positions)
        if (position + 1 >= digits.size() || !isHexDigit(digits.at(position)) ||
            !isHexDigit(digits.at(position + 1)))
            return false;
    return true;
}

QString MidiCustomMidiMessageView::messageWithValue(const QString& text, qint32 byteCount, qint32 target,
                                                    qint32 offset, qint32 v)
{
    QString digits = withoutSeparators(text);
    if (!targetValid(text, byteCount, target, offset))
        return digits;
    const QVector<int> positions = targetDigitPositions(byteCount, target, offset);
    const QVector<quint8> bytes = targetBytes(byteCount, v);
    for (int n = 0; n < positions.size(); ++n)
        digits.replace(positions[n], 2,
                       QStringLiteral("%1").arg(bytes[n], 2, 16, QLatin1Char('0')).toUpper());
    return digits;
}

// The target and offset boxes are read by their shown value: their valueChanged comes before the
// box records a typed or restored value as its current one.
QVector<int> MidiCustomMidiMessageView::targetCharacterPositions() const
{
    QVector<int> places;
    if (!targetIsValid)
        return places;
    const QVector<int> positions =
        targetDigitPositions(byteCount->currentIndex(), targetByte->value(), offset->value());
    const QString text = message->text();
    int digit = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (isSeparator(text.at(i)))
            continue;
        for (int position : positions)
            if (digit == position || digit == position + 1)
                places.append(i);
        ++digit;
    }
    return places;
}

void MidiCustomMidiMessageView::checkTarget()
{
    targetIsValid =
        targetValid(message->text(), byteCount->currentIndex(), targetByte->value(), offset->value());
    knob->setArcStartColor(targetIsValid ? validArcStart : QColor(Qt::gray));
    knob->setArcEndColor(targetIsValid ? validArcEnd : QColor(Qt::white));
    knob->update();
}

void MidiCustomMidiMessageView::recolour()
{
    // Formats given as input-method attributes colour the text without changing it.
    QList<QInputMethodEvent::Attribute> attributes;
    if (colour && targetIsValid) {
        QTextCharFormat red;
        red.setForeground(Qt::red);
        const int cursor = message->cursorPosition();
        for (int place : targetCharacterPositions())
            attributes.append(
                QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat, place - cursor, 1, red));
    }
    QInputMethodEvent event(QString(), attributes);
    QCoreApplication::sendEvent(message, &event);
}

void MidiCustomMidiMessageView::applyByteCount(qint32 index)
{
    if (index < 0 || index >= byteCountTotal)
        return;
    ++busy;
    const qint32 highest = byteCounts[index].highest;
    minimumBox->setRange(0, highest - 1);
    minimumBox->setValue(0);
    maximumBox->setRange(1, highest);
    maximumBox->setValue(highest);
    knob->setRange(minimumBox->currentValue(), maximumBox->currentValue());
    --busy;
}

// --- Sending --------------------------------------------------------------------------------------

void MidiCustomMidiMessageView::sendMessage()
{
    if (message->text().isEmpty() || !thread)
        return;
    // Not valid: the message goes out as typed.
    const QString digits = messageWithValue(message->text(), byteCount->currentIndex(), targetByte->value(),
                                            offset->value(), knob->value());
    if (busy == 0)
        thread->requestTransmission(digits);
}

void MidiCustomMidiMessageView::transmitButtonPressed()
{
    sendMessage();
}

void MidiCustomMidiMessageView::transmitMessage()
{
    sendMessage();
}

// --- Slots ----------------------------------------------------------------------------------------

void MidiCustomMidiMessageView::nameChanged()
{
    model->setModified(1);
}

void MidiCustomMidiMessageView::valueChanged()
{
    if (targetIsValid)
        sendMessage();
    model->setModified(1);
}

void MidiCustomMidiMessageView::messageChanged()
{
    checkTarget();
    model->setModified(1);
}

void MidiCustomMidiMessageView::knobTargetByteChanged()
{
    checkTarget();
    recolour();
    model->setModified(1);
}

void MidiCustomMidiMessageView::knobTargetByteMenuSelected()
{
    targetByte->setValue(byteAtCursor(message->text(), message->cursorPosition()));
}

void MidiCustomMidiMessageView::byteCountChanged(qint32 index)
{
    model->setModified(1);
    applyByteCount(index);
    checkTarget();
    recolour();
    offsetLabel->setEnabled(index > 0);
    offset->setEnabled(index > 0);
}

void MidiCustomMidiMessageView::minimumValueChanged(qint32 value)
{
    model->setModified(1);
    ++busy;
    maximumBox->setMinimum(value + 1);
    knob->setMinimum(value);
    --busy;
}

void MidiCustomMidiMessageView::maximumValueChanged(qint32 value)
{
    model->setModified(1);
    ++busy;
    minimumBox->setMaximum(value - 1);
    knob->setMaximum(value);
    --busy;
}

void MidiCustomMidiMessageView::messageTextChanged(const QString& text)
{
    Q_UNUSED(text)
    recolour();
}

void MidiCustomMidiMessageView::offsetValueChanged(qint32 value)
{
    Q_UNUSED(value)
    model->setModified(1);
    checkTarget();
    recolour();
}

void MidiCustomMidiMessageView::parameterChanged(qint32 id)
{
    if (id != ParamMessageColor)
        return;
    colour = model->getValue(ParamMessageColor) != 0;
    recolour();
}

// --- Context menu ---------------------------------------------------------------------------------

qint32 MidiCustomMidiMessageView::byteAtCursor(const QString& text, qint32 cursor)
{
    qint32 p = qBound(0, cursor, text.size());
    // A cursor just after a separator and before a byte's first digit means that byte. The
    // character after it may be past the end.
    if (p >= 1 && p < text.size() && isSeparator(text.at(p - 1)) &&
        (p + 1 >= text.size() || !isSeparator(text.at(p + 1))))
        ++p;
    if (p <= 0)
        return 1;
    int digits = 0;
    for (int i = 0; i < p; ++i)
        if (isHexDigit(text.at(i)))
            ++digits;
    return (digits + 1) / 2;
}

QString MidiCustomMidiMessageView::byteLabel() const
{
    const QString text = message->text();
    if (text.isEmpty())
        return QStringLiteral("--");
    const qint32 k = qMax(1, byteAtCursor(text, message->cursorPosition()));
    return withoutSeparators(text).mid(2 * k - 2, 2);
}

QString MidiCustomMidiMessageView::contextMenuEntryText() const
{
    return QStringLiteral("Set byte position of '%1' to Knob Target Byte").arg(byteLabel());
}

void MidiCustomMidiMessageView::showContextMenu(const QPoint& globalPosition)
{
    QPointer<QMenu> menu = message->createStandardContextMenu();
    menu->addSeparator();
    QAction* action = menu->addAction(contextMenuEntryText());
    // A byte cut short at the end of the message has one digit: nothing to take.
    action->setEnabled(!message->text().isEmpty() && byteLabel().size() == 2);
    connect(action, &QAction::triggered, this, &MidiCustomMidiMessageView::knobTargetByteMenuSelected);
    menu->exec(globalPosition);
    delete menu;
}

bool MidiCustomMidiMessageView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == message && event->type() == QEvent::ContextMenu) {
        showContextMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

// --- Life and project -----------------------------------------------------------------------------

void MidiCustomMidiMessageView::closeEvent(QCloseEvent* event)
{
    model->setModified(1);
    // Abandons a transmission in progress; the thread then goes on its own.
    if (thread)
        thread->stopTransmission();
    releaseThread();
    QFrame::closeEvent(event);
}

bool MidiCustomMidiMessageView::writeToStream(QDataStream& stream)
{
    return writeStringField(stream, 0, name->text()) && writeIntField(stream, 1, knob->value()) &&
           writeStringField(stream, 2, message->text()) &&
           writeIntField(stream, 3, targetByte->currentValue()) &&
           writeIntField(stream, 6, byteCount->currentIndex()) &&
           writeIntField(stream, 4, minimumBox->currentValue()) &&
           writeIntField(stream, 5, maximumBox->currentValue()) &&
           writeIntField(stream, 7, offset->currentValue());
}

bool MidiCustomMidiMessageView::readFromStream(QDataStream& stream)
{
    ++busy;
    QString text;
    if (readStringField(stream, 0, &text)) {
        name->setText(text);
        name->setCursorPosition(0);
    }
    qint32 knobValue = 0;
    const bool hasKnob = readIntField(stream, 1, &knobValue);
    if (readStringField(stream, 2, &text)) {
        message->setText(text);
        message->setCursorPosition(0);
    }
    // Values outside a box's range keep what the box holds.
    const auto restoreBox = [&stream](qint32 key, SpinBox* box) {
        qint32 value = 0;
        if (readIntField(stream, key, &value) && value >= box->minimum() && value <= box->maximum())
            box->setValue(value);
    };
    restoreBox(3, targetByte);
    qint32 index = 0;
    if (readIntField(stream, 6, &index) && index >= 0 && index < byteCountTotal)
        byteCount->setCurrentIndex(index);
    restoreBox(4, minimumBox);
    restoreBox(5, maximumBox);
    restoreBox(7, offset);
    // A pair read from a file may cross; each box then keeps its default.
    if (minimumBox->currentValue() >= maximumBox->currentValue()) {
        minimumBox->setValue(0);
        maximumBox->setValue(byteCounts[byteCount->currentIndex()].highest);
    }
    // The limits the boxes set on each other, as after a change by hand.
    maximumBox->setMinimum(minimumBox->currentValue() + 1);
    minimumBox->setMaximum(maximumBox->currentValue() - 1);
    knob->setRange(minimumBox->currentValue(), maximumBox->currentValue());
    knob->setValue(hasKnob ? knobValue : 0);
    checkTarget();
    recolour();
    --busy;
    return true;
}
