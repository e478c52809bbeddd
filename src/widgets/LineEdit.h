#pragma once

#include <QLineEdit>

// A line edit that commits its text in a controlled way: on Return or Enter (which it consumes)
// and when it loses the focus, except to its own context menu. With an integer validator the text
// is first made a valid number: a value at or beyond a bound becomes that bound, and a text that
// is not a number becomes the fallback text. editingFinished is then emitted once, unless the text
// is empty.
class LineEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit LineEdit(const QString& text = QString(), const QString& fallbackText = QString(),
                      QWidget* parent = nullptr);

    void setFallbackText(const QString& text) { fallback = text; }
    const QString& fallbackText() const { return fallback; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void commit();

    QString fallback;
};
