#include "ReferenceWidget.h"

#include "PushButton.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

PushButton* makeButton(QWidget* parent, const QString& image, const QString& toolTip)
{
    auto* button = new PushButton(parent);
    button->setFixedSize(32, 32);
    button->setFocusPolicy(Qt::NoFocus);
    QPixmap pixmap(image);
    pixmap.setDevicePixelRatio(2.0);
    button->setImage(pixmap);
    button->setToolTip(toolTip);
    return button;
}

// A backwards search that starts at the beginning of a line would find nothing on that line and
// stop at its start; stepping back over the line break lets it go on in the line above.
void stepBackOverLineStart(QTextCursor& cursor)
{
    while (cursor.atBlockStart() && cursor.position() > 0)
        cursor.movePosition(QTextCursor::PreviousCharacter);
}

} // namespace

ReferenceWidget::ReferenceWidget(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);

    field = new QLineEdit(this);
    field->setFocusPolicy(Qt::ClickFocus);

    auto* arrows = new QWidget(this);
    arrows->setFixedSize(64, 32);
    prevButton = makeButton(arrows, QStringLiteral(":/images/prev.png"), tr("Previous"));
    prevButton->move(0, 0);
    nextButton = makeButton(arrows, QStringLiteral(":/images/next.png"), tr("Next"));
    nextButton->move(32, 0);
    PushButton* closeButton = makeButton(this, QStringLiteral(":/images/close.png"), tr("Close"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->addWidget(field);
    layout->addWidget(arrows);
    layout->addWidget(closeButton);

    connect(prevButton, &QAbstractButton::released, this, &ReferenceWidget::prevButtonPressed);
    connect(nextButton, &QAbstractButton::released, this, &ReferenceWidget::nextButtonPressed);
    connect(closeButton, &QAbstractButton::released, this, &ReferenceWidget::closeButtonPressed);

    field->installEventFilter(this);
}

void ReferenceWidget::attach(QPlainTextEdit* editor)
{
    if (textEdit != nullptr)
        textEdit->removeEventFilter(this);
    textEdit = editor;
    if (editor == nullptr)
        return;
    // Keeps the match visibly selected while the focus is in the search field.
    QPalette palette = editor->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, QColor(0, 120, 215));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::white);
    editor->setPalette(palette);
    editor->installEventFilter(this);
}

bool ReferenceWidget::find(const QString& text, bool backwards)
{
    if (text.isEmpty() || textEdit == nullptr)
        return false;
    QTextDocument* document = textEdit->document();
    QTextCursor start = textEdit->textCursor();
    if (start.hasSelection())
        start.setPosition(backwards ? start.anchor() : start.position());
    if (backwards)
        stepBackOverLineStart(start);

    const QTextDocument::FindFlags flags =
        backwards ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    QTextCursor found = document->find(text, start, flags);
    if (found.isNull()) {
        QTextCursor wrap(document);
        wrap.movePosition(backwards ? QTextCursor::End : QTextCursor::Start);
        if (backwards)
            stepBackOverLineStart(wrap);
        found = document->find(text, wrap, flags);
    }
    if (found.isNull())
        return false;
    textEdit->setTextCursor(found);
    return true;
}

void ReferenceWidget::nextButtonPressed()
{
    find(field->text(), false);
}

void ReferenceWidget::prevButtonPressed()
{
    find(field->text(), true);
}

void ReferenceWidget::closeButtonPressed()
{
    if (textEdit != nullptr)
        textEdit->setFocus();
    hide();
}

bool ReferenceWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || (watched != field && watched != textEdit.data()))
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Escape:
        closeButtonPressed();
        break;
    case Qt::Key_F:
        if (key->modifiers() & Qt::ControlModifier)
            show();
        break;
    case Qt::Key_F3:
        if (isHidden())
            show();
        find(field->text(), (key->modifiers() & Qt::ShiftModifier) != 0);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (field->hasFocus()) {
            find(field->text(), false);
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void ReferenceWidget::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    field->setFocus();
    if (!field->text().isEmpty())
        field->selectAll();
}
