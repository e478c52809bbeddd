#pragma once

#include <QPointer>
#include <QWidget>

class CheckBox;
class SpinBox;

// The thin bar above an editor's text area that turns repeated transmission on and sets the pause
// between cycles. It is the text area's event filter, so Control+R there shows it. Hiding it keeps
// its settings in force.
class RepeatSettingsView : public QWidget
{
    Q_OBJECT

public:
    explicit RepeatSettingsView(QWidget* parent = nullptr);

    // The widget that gets the focus back when the bar closes; its key presses are watched.
    void setTextArea(QWidget* textArea);

    bool isRepeatChecked() const;
    qint32 intervalValue() const;

    CheckBox* repeatCheckBox() const { return repeat; }
    SpinBox* intervalSpinBox() const { return interval; }

public Q_SLOTS:
    void closeButtonPressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    CheckBox* repeat = nullptr;
    SpinBox* interval = nullptr;
    QPointer<QWidget> focusTarget;
};
