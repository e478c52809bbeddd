#include "LineEdit.h"

#include <QIntValidator>
#include <QKeyEvent>
#include <QSignalBlocker>

LineEdit::LineEdit(const QString& text, const QString& fallbackText, QWidget* parent)
    : QLineEdit(text, parent), fallback(fallbackText)
{
}

void LineEdit::commit()
{
    if (const auto* validator = qobject_cast<const QIntValidator*>(this->validator())) {
        bool ok = false;
        const int number = text().toInt(&ok, 10);
        if (!ok)
            setText(fallback);
        else if (number <= validator->bottom())
            setText(QString::number(validator->bottom()));
        else if (number >= validator->top())
            setText(QString::number(validator->top()));
    }
    if (!text().isEmpty())
        Q_EMIT editingFinished();
}

void LineEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        commit();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void LineEdit::focusOutEvent(QFocusEvent* event)
{
    if (event->reason() != Qt::PopupFocusReason)
        commit();
    // The base class would announce the end of editing a second time, by its own rules.
    const QSignalBlocker blocker(this);
    QLineEdit::focusOutEvent(event);
}
