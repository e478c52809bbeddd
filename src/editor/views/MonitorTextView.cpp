#include "MonitorTextView.h"

#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <QTextOption>
#include <QTimer>

#include <cmath>

namespace {

// Space around the text, as a text document leaves it.
constexpr int Margin = 4;
// Lines longer than this are laid out only in the part that is on screen.
constexpr int SliceFrom = 256;

} // namespace

MonitorTextView::MonitorTextView(QWidget* parent, VantelMidiModel* aModel, int maximumLines)
    : QAbstractScrollArea(parent), model(aModel), store(maximumLines)
{
    styles.append(nullptr);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scrollTimer = new QTimer(this);
    scrollTimer->setInterval(50);
    connect(scrollTimer, &QTimer::timeout, this, &MonitorTextView::autoScroll);
    auto* clear = new QShortcut(QKeySequence(tr("Shift+D")), this);
    connect(clear, &QShortcut::activated, this, &MonitorTextView::clearText);
    applyFont();
    model->addAssistant(this);
}

MonitorTextView::~MonitorTextView()
{
    model->removeAssistant(this);
}

void MonitorTextView::setHighlighter(TextHighlighter* colourer)
{
    highlighter = colourer;
    if (highlighter != nullptr)
        connect(highlighter, &TextHighlighter::recolourRequested, this, &MonitorTextView::restyle);
    restyle();
}

quint8 MonitorTextView::styleOf(const TextHighlighter::Rule* table)
{
    const int known = styles.indexOf(table);
    if (known >= 0)
        return quint8(known);
    // A handful of tables exist; the tag cannot run out.
    styles.append(table);
    return quint8(styles.size() - 1);
}

void MonitorTextView::restyle()
{
    store.restyleAll(styleOf(highlighter != nullptr ? highlighter->colouringRules() : nullptr));
    formatCache.clear();
    viewport()->update();
}

void MonitorTextView::applyFont()
{
    QFont font(QStringLiteral("Consolas"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(model->getValue(ParamMessageFontSize) == 0 ? 12 : 18);
    setFont(font);
    measureFont();
    updateScrollBars();
}

void MonitorTextView::measureFont()
{
    const QFontMetricsF metrics(font());
    lineHeight = qMax(1, int(std::ceil(metrics.height())));
    ascent = int(std::ceil(metrics.ascent()));
    fixedPitch = QFontInfo(font()).fixedPitch();
    // The advance a laid-out line gives each character, which may differ from the font's nominal one.
    const int probe = 64;
    QTextLayout layout(QString(probe, QLatin1Char('0')), font());
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    advance =
        layout.lineCount() > 0 ? layout.lineAt(0).naturalTextWidth() / probe : metrics.averageCharWidth();
    if (advance <= 0)
        advance = 1;
}

void MonitorTextView::parameterChanged(qint32 id)
{
    if (id != ParamMessageFontSize)
        return;
    QScrollBar* bar = verticalScrollBar();
    const bool following = bar->value() >= bar->maximum() - 3;
    applyFont();
    scrollToEndIfFollowing(following);
}

void MonitorTextView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        measureFont();
        updateScrollBars();
    }
}

int MonitorTextView::fullRows() const
{
    return qMax(1, (viewport()->height() - Margin) / lineHeight);
}

void MonitorTextView::updateScrollBars()
{
    QScrollBar* vertical = verticalScrollBar();
    const int rows = fullRows();
    vertical->setRange(0, qMax(0, store.lineCount() - rows));
    vertical->setPageStep(rows);
    vertical->setSingleStep(1);

    qreal width = 0;
    const int longest = store.longestLength();
    if (fixedPitch) {
        width = longest * advance;
    } else if (longest > 0) {
        width = QFontMetricsF(font()).horizontalAdvance(store.line(store.longestLine()));
    }
    QScrollBar* horizontal = horizontalScrollBar();
    const int viewWidth = viewport()->width();
    horizontal->setRange(0, qMax(0, int(std::ceil(width)) + 2 * Margin - viewWidth));
    horizontal->setPageStep(viewWidth);
    horizontal->setSingleStep(qMax(1, int(advance * 2)));
}

void MonitorTextView::scrollToEndIfFollowing(bool following)
{
    if (following)
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void MonitorTextView::appendText(const QString& text)
{
    appendUtf8(text.toUtf8());
}

void MonitorTextView::appendUtf8(const QByteArray& text)
{
    if (text.isEmpty())
        return;
    QScrollBar* bar = verticalScrollBar();
    const bool following = bar->value() >= bar->maximum() - 3;
    // The line continued keeps the table in force; a pending one takes over for the new lines.
    const quint8 continuedStyle = styleOf(highlighter != nullptr ? highlighter->colouringRules() : nullptr);
    if (highlighter != nullptr)
        highlighter->applyPendingRules();
    const quint8 newStyle = styleOf(highlighter != nullptr ? highlighter->colouringRules() : nullptr);
    const qint64 continued = store.lastLineNumber();
    const int dropped = store.append(text, continuedStyle, newStyle);
    formatCache.remove(continued);
    if (dropped > 0) {
        const qint64 first = store.firstLineNumber();
        for (auto entry = formatCache.begin(); entry != formatCache.end();) {
            if (entry.key() < first)
                entry = formatCache.erase(entry);
            else
                ++entry;
        }
        anchor = clamp(anchor);
        caret = clamp(caret);
    }
    // A view scrolled up keeps showing the same lines while older ones go.
    const int value = bar->value();
    updateScrollBars();
    if (following)
        bar->setValue(bar->maximum());
    else if (dropped > 0)
        bar->setValue(qMax(0, value - dropped));
    viewport()->update();
}

void MonitorTextView::setText(const QString& text)
{
    clearText();
    appendText(text);
}

void MonitorTextView::clearText()
{
    store.clear();
    formatCache.clear();
    anchor = caret = Position{store.firstLineNumber(), 0};
    if (highlighter != nullptr)
        highlighter->applyPendingRules();
    updateScrollBars();
    viewport()->update();
}

int MonitorTextView::firstVisibleLine() const
{
    return qBound(0, verticalScrollBar()->value(), store.lineCount() - 1);
}

int MonitorTextView::indexOf(qint64 line) const
{
    return int(qBound<qint64>(0, line - store.firstLineNumber(), store.lineCount() - 1));
}

MonitorTextView::Position MonitorTextView::clamp(Position position) const
{
    if (position.line < store.firstLineNumber())
        return Position{store.firstLineNumber(), 0};
    if (position.line > store.lastLineNumber())
        return Position{store.lastLineNumber(), store.lineLength(store.lineCount() - 1)};
    position.column = qBound(0, position.column, store.lineLength(indexOf(position.line)));
    return position;
}

qreal MonitorTextView::textLeft() const
{
    return Margin - horizontalScrollBar()->value();
}

bool MonitorTextView::drawsSlices(int index) const
{
    return fixedPitch && store.isAsciiLine(index) && store.lineLength(index) > SliceFrom;
}

int MonitorTextView::columnAt(int index, qreal x) const
{
    const int length = store.lineLength(index);
    if (fixedPitch && store.isAsciiLine(index))
        return qBound(0, int(std::lround((x - textLeft()) / advance)), length);
    QTextLayout layout(store.line(index), font());
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    return qBound(0, line.xToCursor(x - textLeft()), length);
}

qreal MonitorTextView::xOfColumn(int index, int column) const
{
    if (fixedPitch && store.isAsciiLine(index))
        return textLeft() + column * advance;
    QTextLayout layout(store.line(index), font());
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    return textLeft() + line.cursorToX(column);
}

MonitorTextView::Position MonitorTextView::positionAt(const QPoint& point) const
{
    const int row = int(std::floor(qreal(point.y() - Margin) / lineHeight));
    const int index = qBound(0, firstVisibleLine() + row, store.lineCount() - 1);
    return Position{store.numberOf(index), columnAt(index, point.x())};
}

void MonitorTextView::setCaret(const Position& position, bool keepAnchor)
{
    caret = clamp(position);
    if (!keepAnchor)
        anchor = caret;
    viewport()->update();
}

void MonitorTextView::ensureVisible(const Position& position)
{
    const int index = indexOf(position.line);
    QScrollBar* vertical = verticalScrollBar();
    if (index < vertical->value())
        vertical->setValue(index);
    else if (index >= vertical->value() + fullRows())
        vertical->setValue(index - fullRows() + 1);
    const qreal x = xOfColumn(index, position.column);
    QScrollBar* horizontal = horizontalScrollBar();
    if (x < Margin)
        horizontal->setValue(horizontal->value() + int(std::floor(x)) - Margin);
    else if (x > viewport()->width() - Margin)
        horizontal->setValue(horizontal->value() + int(std::ceil(x)) - viewport()->width() + Margin);
}

QString MonitorTextView::selectedText() const
{
    if (!hasSelection())
        return QString();
    const Position from = clamp(qMin(anchor, caret));
    const Position to = clamp(qMax(anchor, caret));
    return store.text(indexOf(from.line), from.column, indexOf(to.line), to.column);
}

void MonitorTextView::selectAll()
{
    anchor = Position{store.firstLineNumber(), 0};
    caret = Position{store.lastLineNumber(), store.lineLength(store.lineCount() - 1)};
    viewport()->update();
}

void MonitorTextView::copy()
{
    copyTo(QClipboard::Clipboard);
}

void MonitorTextView::copyTo(int mode) const
{
    if (!hasSelection())
        return;
    QGuiApplication::clipboard()->setText(selectedText(), QClipboard::Mode(mode));
}

const QVector<QTextLayout::FormatRange>& MonitorTextView::cachedFormats(int index)
{
    const qint64 number = store.numberOf(index);
    auto found = formatCache.constFind(number);
    if (found != formatCache.constEnd())
        return *found;
    // Only lines near the screen are asked for; what scrolled away is computed again if it returns.
    if (formatCache.size() > 4 * fullRows() + 64)
        formatCache.clear();
    QVector<QTextLayout::FormatRange> ranges;
    const TextHighlighter::Rule* table = styles.value(store.lineStyle(index));
    if (highlighter != nullptr && table != nullptr)
        highlighter->lineFormats(store.line(index), table, ranges);
    return *formatCache.insert(number, ranges);
}

QVector<QTextLayout::FormatRange> MonitorTextView::lineFormats(int index)
{
    if (index < 0 || index >= store.lineCount())
        return {};
    return cachedFormats(index);
}

void MonitorTextView::drawLine(QPainter& painter, int index, qreal top)
{
    const QString text = store.line(index);
    const int length = text.size();
    int from = 0;
    int to = length;
    if (drawsSlices(index)) {
        const qreal left = horizontalScrollBar()->value() - Margin;
        from = qBound(0, int(std::floor(left / advance)) - 1, length);
        to = qBound(from, int(std::ceil((left + viewport()->width()) / advance)) + 1, length);
    }
    const qreal x = textLeft() + (from > 0 ? from * advance : 0);

    QVector<QTextLayout::FormatRange> formats;
    for (const QTextLayout::FormatRange& range : cachedFormats(index)) {
        const int start = qMax(range.start, from);
        const int end = qMin(range.start + range.length, to);
        if (start >= end)
            continue;
        QTextLayout::FormatRange piece = range;
        piece.start = start - from;
        piece.length = end - start;
        formats.append(piece);
    }
    QVector<QTextLayout::FormatRange> selections;
    const qint64 number = store.numberOf(index);
    const Position start = clamp(qMin(anchor, caret));
    const Position end = clamp(qMax(anchor, caret));
    if (hasSelection() && number >= start.line && number <= end.line) {
        const int selectedFrom = qMax(from, number == start.line ? start.column : 0);
        const int selectedTo = qMin(to, number == end.line ? end.column : length);
        if (selectedFrom < selectedTo) {
            QTextLayout::FormatRange selected;
            selected.start = selectedFrom - from;
            selected.length = selectedTo - selectedFrom;
            selected.format.setBackground(palette().brush(QPalette::Highlight));
            selected.format.setForeground(palette().brush(QPalette::HighlightedText));
            selections.append(selected);
        }
        // The line break of a selected line shows as a selected blank.
        if (number < end.line && to == length)
            painter.fillRect(QRectF(x + (to - from) * advance, top, advance / 2, lineHeight),
                             palette().brush(QPalette::Highlight));
    }

    QTextLayout layout(from == 0 && to == length ? text : text.mid(from, to - from), font());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.setFormats(formats);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    layout.draw(&painter, QPointF(x, top), selections);
}

void MonitorTextView::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    const int first = firstVisibleLine();
    const int height = viewport()->height();
    for (int index = first; index < store.lineCount(); ++index) {
        const qreal top = Margin + qreal(index - first) * lineHeight;
        if (top >= height)
            break;
        drawLine(painter, index, top);
    }
}

void MonitorTextView::resizeEvent(QResizeEvent* event)
{
    QScrollBar* bar = verticalScrollBar();
    const bool following = bar->value() >= bar->maximum() - 3;
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    scrollToEndIfFollowing(following && store.lineCount() > fullRows());
}

void MonitorTextView::scrollContentsBy(int /*dx*/, int /*dy*/)
{
    viewport()->update();
}

void MonitorTextView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    setCaret(positionAt(event->pos()), event->modifiers() & Qt::ShiftModifier);
    selecting = true;
    dragPoint = event->pos();
    event->accept();
}

void MonitorTextView::mouseMoveEvent(QMouseEvent* event)
{
    if (!selecting || !(event->buttons() & Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    dragPoint = event->pos();
    setCaret(positionAt(dragPoint), true);
    if (viewport()->rect().contains(dragPoint))
        scrollTimer->stop();
    else if (!scrollTimer->isActive())
        scrollTimer->start();
    event->accept();
}

void MonitorTextView::autoScroll()
{
    if (!selecting) {
        scrollTimer->stop();
        return;
    }
    const QRect area = viewport()->rect();
    QScrollBar* vertical = verticalScrollBar();
    QScrollBar* horizontal = horizontalScrollBar();
    if (dragPoint.y() < area.top())
        vertical->setValue(vertical->value() - 1);
    else if (dragPoint.y() > area.bottom())
        vertical->setValue(vertical->value() + 1);
    if (dragPoint.x() < area.left())
        horizontal->setValue(horizontal->value() - horizontal->singleStep());
    else if (dragPoint.x() > area.right())
        horizontal->setValue(horizontal->value() + horizontal->singleStep());
    setCaret(positionAt(dragPoint), true);
}

void MonitorTextView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !selecting) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    selecting = false;
    scrollTimer->stop();
    if (QGuiApplication::clipboard()->supportsSelection())
        copyTo(QClipboard::Selection);
    event->accept();
}

void MonitorTextView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    // The word under the mouse: a run of characters between blanks.
    const Position at = positionAt(event->pos());
    const QString line = store.line(indexOf(at.line));
    int from = at.column;
    int to = at.column;
    while (from > 0 && !line.at(from - 1).isSpace())
        --from;
    while (to < line.size() && !line.at(to).isSpace())
        ++to;
    anchor = Position{at.line, from};
    caret = Position{at.line, to};
    selecting = false;
    viewport()->update();
    if (hasSelection() && QGuiApplication::clipboard()->supportsSelection())
        copyTo(QClipboard::Selection);
    event->accept();
}

void MonitorTextView::keyPressEvent(QKeyEvent* event)
{
    if (event == QKeySequence::Copy) {
        copy();
        event->accept();
        return;
    }
    if (event == QKeySequence::SelectAll) {
        selectAll();
        event->accept();
        return;
    }
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    QScrollBar* vertical = verticalScrollBar();
    QScrollBar* horizontal = horizontalScrollBar();
    const int index = indexOf(caret.line);
    const int lastIndex = store.lineCount() - 1;
    Position target = clamp(caret);
    const auto onLine = [this](int lineIndex, int column) {
        return Position{store.numberOf(lineIndex), qMin(column, store.lineLength(lineIndex))};
    };
    switch (event->key()) {
    case Qt::Key_Left:
        if (!extend)
            horizontal->triggerAction(QAbstractSlider::SliderSingleStepSub);
        else if (target.column > 0)
            --target.column;
        else if (index > 0)
            target = onLine(index - 1, store.lineLength(index - 1));
        break;
    case Qt::Key_Right:
        if (!extend)
            horizontal->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        else if (target.column < store.lineLength(index))
            ++target.column;
        else if (index < lastIndex)
            target = onLine(index + 1, 0);
        break;
    case Qt::Key_Up:
        if (!extend)
            vertical->triggerAction(QAbstractSlider::SliderSingleStepSub);
        else
            target = onLine(qMax(0, index - 1), target.column);
        break;
    case Qt::Key_Down:
        if (!extend)
            vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        else
            target = onLine(qMin(lastIndex, index + 1), target.column);
        break;
    case Qt::Key_PageUp:
        if (!extend)
            vertical->triggerAction(QAbstractSlider::SliderPageStepSub);
        else
            target = onLine(qMax(0, index - fullRows()), target.column);
        break;
    case Qt::Key_PageDown:
        if (!extend)
            vertical->triggerAction(QAbstractSlider::SliderPageStepAdd);
        else
            target = onLine(qMin(lastIndex, index + fullRows()), target.column);
        break;
    case Qt::Key_Home:
        if (!extend)
            (control ? vertical : horizontal)->triggerAction(QAbstractSlider::SliderToMinimum);
        else
            target = control ? onLine(0, 0) : onLine(index, 0);
        break;
    case Qt::Key_End:
        if (!extend)
            (control ? vertical : horizontal)->triggerAction(QAbstractSlider::SliderToMaximum);
        else
            target = control ? onLine(lastIndex, store.lineLength(lastIndex))
                             : onLine(index, store.lineLength(index));
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    if (extend) {
        setCaret(target, true);
        ensureVisible(caret);
    }
    event->accept();
}

void MonitorTextView::wheelEvent(QWheelEvent* event)
{
    QAbstractScrollArea::wheelEvent(event);
    // At either end the scroll area would hand the wheel on and scroll the whole MDI area.
    event->accept();
}

void MonitorTextView::contextMenuEvent(QContextMenuEvent* event)
{
    auto* menu = new QMenu(this);
    menu->setContextMenuPolicy(Qt::NoContextMenu);
    QAction* copyAction = menu->addAction(tr("&Copy"));
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(hasSelection());
    connect(copyAction, &QAction::triggered, this, &MonitorTextView::copy);
    menu->addSeparator();
    QAction* all = menu->addAction(tr("Select All"));
    all->setShortcut(QKeySequence::SelectAll);
    all->setEnabled(!store.isEmpty());
    connect(all, &QAction::triggered, this, &MonitorTextView::selectAll);
    QAction* clear = menu->addAction(tr("&Clear"));
    clear->setShortcut(QKeySequence(tr("Shift+D")));
    connect(clear, &QAction::triggered, this, &MonitorTextView::clearText);
    menu->exec(event->globalPos());
    delete menu;
}
