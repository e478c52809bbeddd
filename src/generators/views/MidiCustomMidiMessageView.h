#pragma once

#include "FileStream.h"
#include "ModelAssistant.h"
#include "WindowRestorationInfo.h"

#include <QFrame>
#include <QVector>

class ComboBox;
class Dial;
class LineEdit;
class MidiEditTransmittionThread;
class QLabel;
class QPushButton;
class SpinBox;
class VantelMidiModel;
class ViewHost;

// One message typed in hexadecimal and a knob whose value is written into chosen bytes of it
// before it is sent: the first target byte, how the value is spread ("1 Byte", "2 Bytes",
// "2 Nibbles", "4 Nibbles"), the distance between target bytes and the knob's range are the
// user's. Turning the knob sends the message with each new value; "Transmit" sends it on demand,
// as typed when the target bytes are not all there. The target digits can be shown in red, and the
// field's context menu offers to make the byte under the cursor the target.
//
// Sending goes through an editor transmission thread (which parses the digits) without the pause
// after bulk data. The thread is released, never waited for, when the view goes.
class MidiCustomMidiMessageView : public QFrame,
                                  public WindowRestorationInfo,
                                  public FileStream,
                                  public ModelAssistant
{
    Q_OBJECT

public:
    enum ByteCount : qint32
    {
        OneByte = 0,
        TwoBytes = 1,
        TwoNibbles = 2,
        FourNibbles = 3
    };

    // model and host: not owned, must outlive the view.
    MidiCustomMidiMessageView(QWidget* parent, VantelMidiModel* model, ViewHost* host);
    ~MidiCustomMidiMessageView() override;

    void parameterChanged(qint32 id) override;
    bool readFromStream(QDataStream& stream) override;
    bool writeToStream(QDataStream& stream) override;

    // The text with the knob value v written into the target bytes t, t + o, ... of the digits
    // left when blanks and commas are removed; the digits unchanged when a target byte is missing.
    static QString messageWithValue(const QString& text, qint32 byteCount, qint32 target, qint32 offset,
                                    qint32 v);
    // Whether every target byte is there as two hexadecimal digits.
    static bool targetValid(const QString& text, qint32 byteCount, qint32 target, qint32 offset);
    // The byte (counted from 1) the context menu offers for a cursor position.
    static qint32 byteAtCursor(const QString& text, qint32 cursor);

    bool isTargetValid() const { return targetIsValid; }
    // Places in the message text (not the digits) of the target digits, in red when colouring is on.
    QVector<int> targetCharacterPositions() const;
    // The text the context menu's entry offers, "Set byte position of ... to Knob Target Byte".
    QString contextMenuEntryText() const;

    LineEdit* nameEdit() const { return name; }
    Dial* valueKnob() const { return knob; }
    LineEdit* messageEdit() const { return message; }
    SpinBox* targetByteSpinBox() const { return targetByte; }
    SpinBox* minimumSpinBox() const { return minimumBox; }
    SpinBox* maximumSpinBox() const { return maximumBox; }
    SpinBox* offsetSpinBox() const { return offset; }
    ComboBox* byteCountComboBox() const { return byteCount; }
    QPushButton* transmitButton() const { return transmit; }

public Q_SLOTS:
    void transmitButtonPressed();
    void transmitMessage();
    void nameChanged();
    void valueChanged();
    void messageChanged();
    void knobTargetByteChanged();
    void knobTargetByteMenuSelected();
    void byteCountChanged(qint32 index);
    void minimumValueChanged(qint32 value);
    void maximumValueChanged(qint32 value);
    void messageTextChanged(const QString& text);
    void offsetValueChanged(qint32 value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void sendMessage();
    void checkTarget();
    void recolour();
    void applyByteCount(qint32 index);
    void showContextMenu(const QPoint& globalPosition);
    // The two digits of the byte at the cursor, "--" for an empty message.
    QString byteLabel() const;
    void releaseThread();

    VantelMidiModel* model;
    LineEdit* name = nullptr;
    Dial* knob = nullptr;
    LineEdit* message = nullptr;
    SpinBox* targetByte = nullptr;
    MidiEditTransmittionThread* thread = nullptr;
    bool targetIsValid = false;
    SpinBox* minimumBox = nullptr;
    SpinBox* maximumBox = nullptr;
    QLabel* offsetLabel = nullptr;
    SpinBox* offset = nullptr;
    ComboBox* byteCount = nullptr;
    QPushButton* transmit = nullptr;
    qint32 busy = 0;
    bool colour = false;
};
