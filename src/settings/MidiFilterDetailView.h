#pragma once

#include <QList>
#include <QWidget>

class CheckBox;
class QGroupBox;
class QPushButton;

// The common frame of the filter view's three detail pages (control change, system common, system
// realtime): a titled group of check boxes bound to filter parameters, with "All" and "Clear"
// buttons that set or clear every one of them. The pages add their own check boxes.
class MidiFilterDetailView : public QWidget
{
    Q_OBJECT

public:
    const QList<CheckBox*>& checkBoxes() const { return boxes; }
    QGroupBox* groupBox() const { return group; }
    QPushButton* allButton() const { return all; }
    QPushButton* clearButton() const { return clear; }

public Q_SLOTS:
    void releasedAllButton();
    void releasedNoneButton();

protected:
    // The texts name the message group in the accessible names of the two buttons ("Set all
    // <messages>", "Clear all <messages>").
    MidiFilterDetailView(QWidget* parent, const QString& title, const QString& messages,
                         const QSize& minimum);

    // A check box for parameter id, not yet placed; its parent is the caller's.
    CheckBox* addCheckBox(QWidget* parent, const QString& text, qint32 id);

private:
    void writeAll(qint32 value);

    QList<CheckBox*> boxes;
    QGroupBox* group = nullptr;
    QPushButton* all = nullptr;
    QPushButton* clear = nullptr;
};
