#pragma once

#include <QWidget>

class MidiEditView;
class QLabel;
class QPushButton;
class QVBoxLayout;

// The overlay page shown while a text is being sent over and over, with the Cancel button that
// ends the repetition.
class MidiEditRepeatMessageView : public QWidget
{
    Q_OBJECT

public:
    explicit MidiEditRepeatMessageView(MidiEditView* owner);

    QString labelText() const;
    QPushButton* button() const { return pushButton; }

public Q_SLOTS:
    void releasedButton();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    MidiEditView* owner;
    QVBoxLayout* layout = nullptr;
    QLabel* label = nullptr;
    QPushButton* pushButton = nullptr;
};
