#pragma once

#include "ModelConnection.h"

#include <QSpinBox>

class SpinBoxSlider;

// A spin box bound to one integer parameter (or a plain local spin box while not connected).
//
// It has two modes. In display mode the text is read-only and unselectable, and a transparent
// SpinBoxSlider covers the whole box: a press and vertical drag changes the value, Control with a
// left press resets it, a double-click switches to text-entry mode. The wheel and the Up and Down
// keys still step the value. In text-entry mode the overlay is hidden and the text is editable;
// Return, Enter or losing the focus commits the typed number, Escape drops it, and either way the
// box goes back to display mode.
//
// Every committed change that alters the value is written to the parameter once and announced
// once with widgetValueChanged; committing the value the box already holds does neither.
class SpinBox : public QSpinBox, public ModelConnection
{
    Q_OBJECT

public:
    explicit SpinBox(QWidget* parent = nullptr);

    using QWidget::update;
    void update(qint32 id) override;
    // Takes the range from the parameter.
    void connectionChanged() override;

    // A silent change for the owning view: the value is shown and becomes the current value,
    // without a write to the parameter and without widgetValueChanged. Hides both
    // QSpinBox::setValue and ModelConnection::setValue, which would each update only one side.
    void setValue(qint32 value);

    // The last value shown or written; drags start from it.
    qint32 currentValue() const { return current; }

    // Used by Control-click when the box is not connected (a connected box uses the parameter's
    // default).
    void setResetValue(qint32 value) { viewResetValue = value; }
    qint32 resetValue() const { return viewResetValue; }

    // Shows positive values with a leading "+" (for signed offsets).
    void setShowPlus(bool show);
    bool showPlus() const { return plus; }

    // The operations of the drag overlay.
    void setValueFromSlider(qint32 value);
    void resetToDefault();
    void beginTextInput();

    bool isTextInputActive() const;
    SpinBoxSlider* slider() const { return overlay; }

Q_SIGNALS:
    void widgetValueChanged(qint32 value);

public Q_SLOTS:
    void inputCompletion();
    void lineEditSelectionChanged();

protected:
    QString textFromValue(int value) const override;
    void stepBy(int steps) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void commitValue(qint32 value);
    void endTextInput();

    bool menuOpen = false;
    qint32 current = 0;
    qint32 viewResetValue = 0;
    bool plus = false;
    SpinBoxSlider* overlay = nullptr;
};
