#pragma once

#include "ModelAssistant.h"

#include <QWidget>

class MidiEditView;
class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;
class VantelMidiModel;

// The overlay page of a monitor or system-exclusive view that shows a long transmission's
// progress, the bytes received in receive mode, or an error, above a Cancel or OK button.
class MidiEditProgressView : public QWidget, public ModelAssistant
{
    Q_OBJECT

public:
    enum State : qint32
    {
        Transmitting = 0,
        Idle = 1,
        ShowingError = 2,
        Initial = 3
    };

    MidiEditProgressView(MidiEditView* owner, VantelMidiModel* model);
    ~MidiEditProgressView() override;

    void setMode(bool transmitting, quint32 minimum, quint32 maximum);
    void setProgress(quint32 value);
    void setByteCount(quint32 count);
    void showMessage(const QString& text);

    qint32 state() const { return currentState; }
    quint32 byteCount() const { return bytes; }
    quint32 progressValue() const { return value; }
    QString labelText() const;
    QPushButton* button() const { return pushButton; }
    QProgressBar* progressBar() const { return bar; }

    void parameterChanged(qint32 id) override;

public Q_SLOTS:
    void releasedButton();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refreshLabel();

    MidiEditView* owner;
    QVBoxLayout* layout = nullptr;
    QProgressBar* bar = nullptr;
    QLabel* label = nullptr;
    quint32 value = 0;
    quint32 bytes = 0;
    qint32 currentState = Initial;
    QPushButton* pushButton = nullptr;
    VantelMidiModel* model;
};
