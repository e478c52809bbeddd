#include "MidiEditTextView.h"

#include "HexText.h"
#include "MidiEditGeneralView.h"
#include "MidiEditTransmittionThread.h"
#include "SysExFile.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolTip>
#include <QUrl>

namespace {

QString messageOfLine(const QString& line)
{
    static const QRegularExpression comment(QStringLiteral("(//|//([^\n]+))(\n|$)"));
    static const QRegularExpression trailing(QStringLiteral("[ \t]+$"));
    QString text = line;
    text.remove(comment);
    text.remove(trailing);
    return text;
}

} // namespace

MidiEditTextView::MidiEditTextView(MidiEditGeneralView* anOwner, VantelMidiModel* aModel, bool readOnly)
    : QPlainTextEdit(anOwner), owner(anOwner), model(aModel)
{
    setReadOnly(readOnly);
    applyFont();
    model->addAssistant(this);

    if (readOnly) {
        auto* clear = new QShortcut(QKeySequence(tr("Shift+D")), this);
        connect(clear, &QShortcut::activated, this, &MidiEditTextView::clearText);
    } else {
        tooltipTimer = new QTimer(this);
        tooltipTimer->setSingleShot(true);
        connect(tooltipTimer, &QTimer::timeout, this, &MidiEditTextView::timeoutTooltipTimer);
        if (owner != nullptr) {
            auto* transmit = new QShortcut(QKeySequence(tr("F5")), this);
            auto* receive = new QShortcut(QKeySequence(tr("F6")), this);
            auto* both = new QShortcut(QKeySequence(tr("F7")), this);
            connect(transmit, &QShortcut::activated, owner, &MidiEditGeneralView::transmitMenuSelected);
            connect(receive, &QShortcut::activated, owner, &MidiEditGeneralView::receiveMenuSelected);
            connect(both, &QShortcut::activated, owner, &MidiEditGeneralView::transmitAndReceiveMenuSelected);
            connect(this, &MidiEditTextView::transmitRowMessage, owner, &MidiEditGeneralView::transmitMidi);
            connect(this, &MidiEditTextView::transmitRwoMessageAndChangeReceiveMode, owner,
                    &MidiEditGeneralView::transmitRowMessageAndChangeReceiveMode);
        }
    }
    connect(this, &QPlainTextEdit::textChanged, this, &MidiEditTextView::editTextChanged);
}

MidiEditTextView::~MidiEditTextView()
{
    model->removeAssistant(this);
}

void MidiEditTextView::applyFont()
{
    QFont font(QStringLiteral("Consolas"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(model->getValue(ParamMessageFontSize) == 0 ? 12 : 18);
    setFont(font);
}

void MidiEditTextView::parameterChanged(qint32 id)
{
    if (id != ParamMessageFontSize)
        return;
    applyFont();
    appendText(QString());
}

void MidiEditTextView::appendText(const QString& text, bool trimIntoEmpty)
{
    QScrollBar* bar = verticalScrollBar();
    const bool atBottom = bar != nullptr && bar->value() >= bar->maximum() - 3;
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    const QString inserted = trimIntoEmpty && cursor.atStart() ? text.trimmed() : text;
    cursor.insertText(inserted);
    if (atBottom)
        bar->setValue(bar->maximum());
}

QString MidiEditTextView::textToTransmit() const
{
    const QTextCursor cursor = textCursor();
    return cursor.hasSelection() ? cursor.selectedText() : toPlainText();
}

qint32 MidiEditTextView::byteCount() const
{
    return HexText::countBytes(textToTransmit());
}

void MidiEditTextView::clearText()
{
    setPlainText(QString());
}

void MidiEditTextView::editTextChanged()
{
    if (!isReadOnly() && model->getValue(ParamModified) == 0)
        model->setModified(1);
}

void MidiEditTextView::timeoutTooltipTimer()
{
    if (hoverActive || mousePressed)
        return;
    const qint32 count = byteCount();
    QString text;
    if (count < 0)
        text = tr("Unknown number of bytes.");
    else
        text = QString::number(count) + (count == 1 ? tr(" Byte") : tr(" Bytes"));
    QToolTip::showText(viewport()->mapToGlobal(tooltipPosition), text, viewport());
}

bool MidiEditTextView::isBusy() const
{
    return model->getValue(ParamTransmissionState) == 1;
}

bool MidiEditTextView::isOverSelection(const QPoint& position) const
{
    const QTextCursor selection = textCursor();
    if (!selection.hasSelection())
        return false;
    const QTextCursor at = cursorForPosition(position);
    // The cursor is the nearest gap between characters; the character under the mouse is the one
    // on the side of the gap the mouse is on.
    int character = at.position();
    if (position.x() < cursorRect(at).left())
        --character;
    return character >= selection.selectionStart() && character < selection.selectionEnd();
}

void MidiEditTextView::mouseMoveEvent(QMouseEvent* event)
{
    mousePosition = event->pos();
    mouseInside = true;
    if (!isReadOnly()) {
        if (event->modifiers() & Qt::ControlModifier) {
            updateLink(event->pos());
        } else {
            clearLink();
            if (event->buttons() == Qt::NoButton && !mousePressed && isOverSelection(event->pos())) {
                tooltipPosition = event->pos();
                tooltipTimer->start(500);
            } else {
                tooltipTimer->stop();
                QToolTip::hideText();
            }
        }
    }
    QPlainTextEdit::mouseMoveEvent(event);
}

void MidiEditTextView::updateLink(const QPoint& position)
{
    QTextBlock block = firstVisibleBlock();
    const QPointF offset = contentOffset();
    bool found = false;
    while (block.isValid()) {
        const QRectF rect = blockBoundingGeometry(block).translated(offset);
        if (rect.top() > viewport()->height())
            break;
        if (block.isVisible() && position.y() >= rect.top() && position.y() < rect.bottom()) {
            found = true;
            break;
        }
        block = block.next();
    }
    if (!found) {
        clearLink();
        return;
    }
    const QTextCursor at = cursorForPosition(position);
    if (at.block() != block) {
        clearLink();
        return;
    }
    int character = at.positionInBlock();
    if (position.x() < cursorRect(at).left())
        --character;
    const QString message = messageOfLine(block.text());
    if (message.isEmpty() || character < 0 || character >= message.length()) {
        clearLink();
        return;
    }

    QTextEdit::ExtraSelection link;
    link.cursor = QTextCursor(block);
    link.cursor.setPosition(block.position() + message.length(), QTextCursor::KeepAnchor);
    link.format.setForeground(QColor(55, 132, 214));
    link.format.setUnderlineStyle(QTextCharFormat::SingleUnderline);
    setExtraSelections({link});
    viewport()->setCursor(Qt::PointingHandCursor);
    hoverActive = true;
    hoverMessage = message;
}

void MidiEditTextView::clearLink()
{
    if (!hoverActive)
        return;
    hoverActive = false;
    hoverMessage.clear();
    setExtraSelections({});
    viewport()->setCursor(Qt::IBeamCursor);
}

void MidiEditTextView::queueHoveredLine(Qt::KeyboardModifiers modifiers)
{
    // Sent from the event loop, not from within the press: the window system delivers the second
    // press of a double click and the double click itself back to back, and the double click takes
    // that press's line back, so that a double click sends the line once, like a click.
    const quint64 serial = ++lineSerial;
    queuedLinePress = true;
    const QString message = hoverMessage;
    const bool withReceive = modifiers & Qt::ShiftModifier;
    QMetaObject::invokeMethod(
        this,
        [this, serial, message, withReceive] {
            if (serial == withdrawnLine)
                return;
            if (withReceive)
                Q_EMIT transmitRwoMessageAndChangeReceiveMode(message);
            else
                Q_EMIT transmitRowMessage(message);
        },
        Qt::QueuedConnection);
}

void MidiEditTextView::mousePressEvent(QMouseEvent* event)
{
    mousePressed = true;
    if (tooltipTimer != nullptr)
        tooltipTimer->stop();
    // Control may have gone down with the mouse at rest, when no move could show the link.
    if (!isReadOnly() && (event->modifiers() & Qt::ControlModifier))
        updateLink(event->pos());
    queuedLinePress = false;
    if (hoverActive)
        queueHoveredLine(event->modifiers());
    QPlainTextEdit::mousePressEvent(event);
}

void MidiEditTextView::mouseReleaseEvent(QMouseEvent* event)
{
    mousePressed = false;
    QPlainTextEdit::mouseReleaseEvent(event);
}

void MidiEditTextView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (tooltipTimer != nullptr)
        tooltipTimer->stop();
    if (queuedLinePress || hoverActive) {
        // The first press of this double click sent the line already; no word selection either.
        if (queuedLinePress)
            withdrawnLine = lineSerial;
        queuedLinePress = false;
        return;
    }
    QPlainTextEdit::mouseDoubleClickEvent(event);
}

void MidiEditTextView::keyPressEvent(QKeyEvent* event)
{
    if (tooltipTimer != nullptr) {
        tooltipTimer->stop();
        QToolTip::hideText();
    }
    if (event->key() == Qt::Key_Control && !isReadOnly() && mouseInside)
        updateLink(mousePosition);
    QPlainTextEdit::keyPressEvent(event);
}

void MidiEditTextView::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Control)
        clearLink();
    QPlainTextEdit::keyReleaseEvent(event);
}

void MidiEditTextView::leaveEvent(QEvent* event)
{
    mousePressed = false;
    mouseInside = false;
    if (tooltipTimer != nullptr)
        tooltipTimer->stop();
    clearLink();
    QPlainTextEdit::leaveEvent(event);
}

bool MidiEditTextView::viewportEvent(QEvent* event)
{
    // The mouse leaves the viewport, not the frame around it, when it goes off the text.
    if (event->type() == QEvent::Leave) {
        mousePressed = false;
        mouseInside = false;
        if (tooltipTimer != nullptr)
            tooltipTimer->stop();
        clearLink();
    }
    return QPlainTextEdit::viewportEvent(event);
}

void MidiEditTextView::wheelEvent(QWheelEvent* event)
{
    QPlainTextEdit::wheelEvent(event);
    clearLink();
    // At either end the scroll area would hand the wheel on and scroll the whole MDI area.
    event->accept();
}

void MidiEditTextView::contextMenuEvent(QContextMenuEvent* event)
{
    if (tooltipTimer != nullptr)
        tooltipTimer->stop();
    if (!isReadOnly() && isBusy())
        return;
    QMenu* menu = createStandardContextMenu();
    menu->setContextMenuPolicy(Qt::NoContextMenu);
    auto add = [menu](const QString& label, const QString& shortcut, auto receiver, auto slot) {
        QAction* action = menu->addAction(label);
        if (!shortcut.isEmpty())
            action->setShortcut(QKeySequence(shortcut));
        QObject::connect(action, &QAction::triggered, receiver, slot);
    };
    if (isReadOnly()) {
        add(tr("&Clear"), tr("Shift+D"), this, &MidiEditTextView::clearText);
    } else if (owner != nullptr) {
        menu->addSeparator();
        add(tr("&New"), QString(), owner, &MidiEditGeneralView::newMenuSelected);
        add(tr("&Open..."), QString(), owner, &MidiEditGeneralView::openMenuSelected);
        add(tr("&Save..."), QString(), owner, &MidiEditGeneralView::saveMenuSelected);
        menu->addSeparator();
        add(tr("&Transmit"), tr("F5"), owner, &MidiEditGeneralView::transmitMenuSelected);
        add(tr("&Receive"), tr("F6"), owner, &MidiEditGeneralView::receiveMenuSelected);
        add(tr("&Transmit and Receive"), tr("F7"), owner,
            &MidiEditGeneralView::transmitAndReceiveMenuSelected);
        menu->addSeparator();
        add(tr("&Find..."), tr("Ctrl+F"), owner, &MidiEditGeneralView::searchMenuSelected);
        menu->addSeparator();
        add(tr("R&epeat Transmission Settings..."), tr("Ctrl+R"), owner,
            &MidiEditGeneralView::settingsMenuSelected);
    }
    menu->exec(event->globalPos());
    delete menu;
}

QString MidiEditTextView::droppableFile(const QMimeData* mime) const
{
    if (isReadOnly() || owner == nullptr || QApplication::activeModalWidget() != nullptr || isBusy())
        return QString();
    if (mime == nullptr || !mime->hasFormat(QStringLiteral("text/uri-list")) || mime->urls().isEmpty())
        return QString();
    const QString path = mime->urls().first().toLocalFile();
    if (path.isEmpty() || !SysExFile::isEditorSuffix(QFileInfo(path).completeSuffix()))
        return QString();
    return path;
}

bool MidiEditTextView::answerFileDrag(QDropEvent* event) const
{
    if (event->mimeData() == nullptr || !event->mimeData()->hasFormat(QStringLiteral("text/uri-list")))
        return false;
    if (droppableFile(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
    return true;
}

void MidiEditTextView::dragEnterEvent(QDragEnterEvent* event)
{
    if (!answerFileDrag(event))
        QPlainTextEdit::dragEnterEvent(event);
}

void MidiEditTextView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!answerFileDrag(event))
        QPlainTextEdit::dragMoveEvent(event);
}

void MidiEditTextView::dropEvent(QDropEvent* event)
{
    if (event->mimeData() != nullptr && event->mimeData()->hasFormat(QStringLiteral("text/uri-list"))) {
        const QString path = droppableFile(event->mimeData());
        if (path.isEmpty()) {
            event->ignore();
            return;
        }
        event->acceptProposedAction();
        owner->placeFileText(path);
        return;
    }
    QPlainTextEdit::dropEvent(event);
}
