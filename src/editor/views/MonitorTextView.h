#pragma once

#include "ModelAssistant.h"
#include "MonitorLineStore.h"
#include "TextHighlighter.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QTextLayout>
#include <QVector>

class QTimer;
class VantelMidiModel;

// The read-only text area of the MIDI In and Out monitors. Its lines live in a MonitorLineStore;
// only the lines on screen are laid out and coloured, when they are drawn, so a flood of long
// lines costs what it takes to keep them, not to show them. No line wrapping: a horizontal scroll
// bar reaches long lines. The vertical scroll bar counts lines, and an append follows the end
// only while the view is within three lines of it.
//
// Selection works as in a read-only text edit: press and drag (beyond the edges it scrolls),
// Shift+click, double click for a word, Shift with the arrow, Home/End and page keys, Ctrl+A,
// Ctrl+C; the keys without Shift scroll. Positions are held by line number, so a selection keeps
// its text while lines arrive and shrinks only when its lines are dropped from the top.
class MonitorTextView : public QAbstractScrollArea, public ModelAssistant
{
    Q_OBJECT

public:
    // A place between two characters: line number (MonitorLineStore) and column.
    struct Position
    {
        qint64 line = 0;
        int column = 0;
        bool operator==(const Position& other) const { return line == other.line && column == other.column; }
        bool operator!=(const Position& other) const { return !(*this == other); }
        bool operator<(const Position& other) const
        {
            return line < other.line || (line == other.line && column < other.column);
        }
    };

    MonitorTextView(QWidget* parent, VantelMidiModel* model, int maximumLines);
    ~MonitorTextView() override;

    // Colours lines by the highlighter's tables; without one the text stays plain.
    void setHighlighter(TextHighlighter* highlighter);

    // Appends text (a line feed starts a new line). Into an empty view it goes without leading and
    // trailing white space.
    void appendText(const QString& text);
    void appendUtf8(const QByteArray& text);
    void setText(const QString& text);
    bool isEmpty() const { return store.isEmpty(); }
    QString text() const { return store.text(); }

    int lineCount() const { return store.lineCount(); }
    QString lineText(int index) const { return store.line(index); }
    // The colour ranges of line `index` as it is drawn (without the selection).
    QVector<QTextLayout::FormatRange> lineFormats(int index);
    // Index of the first line on screen.
    int firstVisibleLine() const;
    const MonitorLineStore& lines() const { return store; }

    bool hasSelection() const { return anchor != caret; }
    QString selectedText() const;

    void parameterChanged(qint32 id) override;

public Q_SLOTS:
    void clearText();
    void selectAll();
    void copy();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyFont();
    void measureFont();
    void updateScrollBars();
    void scrollToEndIfFollowing(bool following);
    quint8 styleOf(const TextHighlighter::Rule* table);
    void restyle();
    int fullRows() const;
    int indexOf(qint64 line) const;
    Position clamp(Position position) const;
    Position positionAt(const QPoint& point) const;
    // Where a line's text starts, in viewport coordinates, and whether it is drawn from a slice.
    qreal textLeft() const;
    bool drawsSlices(int index) const;
    int columnAt(int index, qreal x) const;
    qreal xOfColumn(int index, int column) const;
    void setCaret(const Position& position, bool keepAnchor);
    void ensureVisible(const Position& position);
    void autoScroll();
    void drawLine(QPainter& painter, int index, qreal top);
    const QVector<QTextLayout::FormatRange>& cachedFormats(int index);
    void copyTo(int mode) const;

    VantelMidiModel* model;
    MonitorLineStore store;
    TextHighlighter* highlighter = nullptr;
    // Style tag of the store -> the table it stands for; tag 0 is plain text.
    QVector<const TextHighlighter::Rule*> styles;
    QHash<qint64, QVector<QTextLayout::FormatRange>> formatCache; // by line number
    Position anchor;
    Position caret;
    bool selecting = false;
    QPoint dragPoint;
    QTimer* scrollTimer = nullptr;
    int lineHeight = 14;
    int ascent = 11;
    qreal advance = 7; // of every character of a fixed-pitch font
    bool fixedPitch = true;
};
