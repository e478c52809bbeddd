#pragma once

#include <QPlainTextEdit>
#include <QPointer>
#include <QWidget>

class PushButton;
class QLineEdit;

// The find bar of the message text views: a search field with Previous, Next and Close buttons
// that searches one plain-text editor forwards or backwards, wrapping around at either end. Once
// attached, it also listens to the editor's keys, so Control+F and F3 work while typing.
class ReferenceWidget : public QWidget
{
    Q_OBJECT

public:
    explicit ReferenceWidget(QWidget* parent = nullptr);

    // The editor is not owned; the bar forgets it when it is destroyed.
    void attach(QPlainTextEdit* editor);
    QPlainTextEdit* editor() const { return textEdit.data(); }

    // Selects the next match in the editor and returns true, or leaves the editor as it was and
    // returns false. A selection is stepped over, so repeated searches move on.
    bool find(const QString& text, bool backwards);

    QLineEdit* searchField() const { return field; }

public Q_SLOTS:
    void nextButtonPressed();
    void prevButtonPressed();
    void closeButtonPressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* field = nullptr;
    PushButton* nextButton = nullptr;
    PushButton* prevButton = nullptr;
    QPointer<QPlainTextEdit> textEdit;
};
