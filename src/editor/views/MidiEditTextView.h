#pragma once

#include "ModelAssistant.h"

#include <QPlainTextEdit>
#include <QPoint>
#include <QTimer>

class MidiEditGeneralView;
class VantelMidiModel;

// The text area of the system-exclusive editors (hexadecimal messages with "//" comments); the
// monitors have MonitorTextView. An editable area adds a byte-count tooltip
// over the selection, a link under Control that transmits one line when clicked, the transmit and
// receive shortcuts, the commands in its context menu and the drop of text files.
class MidiEditTextView : public QPlainTextEdit, public ModelAssistant
{
    Q_OBJECT

public:
    // owner: the page whose commands the shortcuts and the context menu call; may be null.
    MidiEditTextView(MidiEditGeneralView* owner, VantelMidiModel* model, bool readOnly);
    ~MidiEditTextView() override;

    // Appends at the end of the document; a view that was at the bottom follows the new text, one
    // scrolled up stays where it is. Into an empty document the text goes without its leading and
    // trailing white space, unless trimIntoEmpty is false (a piece of a text being appended).
    void appendText(const QString& text, bool trimIntoEmpty = true);
    // Bytes of the selection, or of the whole text without one; -1 when unknown.
    qint32 byteCount() const;
    // The text a transmission takes: the selection, or the whole text without one.
    QString textToTransmit() const;

    // The line shown as a link under Control, or empty.
    bool isLinkShown() const { return hoverActive; }
    QString hoveredMessage() const { return hoverMessage; }

    void parameterChanged(qint32 id) override;

Q_SIGNALS:
    void transmitRowMessage(QString message);
    void transmitRwoMessageAndChangeReceiveMode(QString message);

public Q_SLOTS:
    void clearText();
    void editTextChanged();
    void timeoutTooltipTimer();

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void applyFont();
    void updateLink(const QPoint& position);
    void clearLink();
    bool isOverSelection(const QPoint& position) const;
    bool isBusy() const;
    // The file a drag carries when it may be dropped here, else empty.
    QString droppableFile(const QMimeData* data) const;
    // Answers a drag that carries files: accepted when the first is a ".txt" or ".syx" file, else refused.
    // Returns false when the drag carries no files, so that plain text keeps its editing behaviour.
    bool answerFileDrag(QDropEvent* event) const;
    // Sends the linked line from the event loop, with a new receiving view when Shift is held.
    void queueHoveredLine(Qt::KeyboardModifiers modifiers);

    MidiEditGeneralView* owner;
    VantelMidiModel* model;
    bool hoverActive = false;
    QString hoverMessage;
    bool mousePressed = false;
    // Where the mouse was last seen over the text (viewport coordinates), for Control pressed
    // while it rests.
    QPoint mousePosition;
    bool mouseInside = false;
    // Line sends queued by presses: the last one's number, whether the latest press queued it, and
    // the one a double click took back.
    quint64 lineSerial = 0;
    bool queuedLinePress = false;
    quint64 withdrawnLine = 0;
    QTimer* tooltipTimer = nullptr;
    QPoint tooltipPosition;
};
