#include "TextHighlighter.h"

#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QTextDocument>

#include <algorithm>
#include <iterator>

namespace {
const QColor NoteOnColor(172, 172, 255);
const QColor NoteOffColor(170, 0, 130);
const QColor KeyPressureColor(67, 127, 140);
const QColor ControlChangeColor(255, 255, 66);
const QColor ProgramChangeColor(255, 28, 28);
const QColor ChannelPressureColor(152, 192, 172);
const QColor PitchBendColor(16, 227, 16);
const QColor StatusColor(96, 96, 255);

bool isWordCharacter(QChar c)
{
    // What \b takes for a word character (Unicode letters, digits, marks and '_'); monitor text is
    // ASCII nearly always.
    const ushort code = c.unicode();
    if (code < 128)
        return (code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z') ||
               code == '_';
    return c.isLetterOrNumber() || c.isMark();
}

// The character every match of a pattern starts with, when the pattern begins with a word boundary
// and a literal word character: such a match can only start where that character starts a word.
// 0 when the pattern does not begin so.
char leadOf(const char* pattern)
{
    if (pattern[0] != '\\' || pattern[1] != 'b')
        return 0;
    const char c = pattern[2];
    const bool literal = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    // A quantifier after it would make it optional.
    const char next = pattern[3];
    if (!literal || next == '?' || next == '*' || next == '{' || next == '|')
        return 0;
    return c;
}

} // namespace

const TextHighlighter::Rule TextHighlighter::MonitorParserOnRules[] = {
    {"\\bF0\\ \\*\\b", QColor(Qt::white), 0, 1},
    {"\\b9([0-9]|[A-F])\\ [0-7]([0-9]|[A-F])\\ [0-7]([0-9]|[A-F])\\b", NoteOnColor, 0, 0},
    {"\\b8([0-9]|[A-F])\\ [0-7]([0-9]|[A-F])\\ [0-7]([0-9]|[A-F])\\b", NoteOffColor, 0, 0},
    {"\\bA([0-9]|[A-F])\\ [0-7]([0-9]|[A-F])\\ [0-7]([0-9]|[A-F])\\b", KeyPressureColor, 0, 0},
    {"\\bB([0-9]|[A-F])\\ [0-7]([0-9]|[A-F])\\ [0-7]([0-9]|[A-F])\\b", ControlChangeColor, 0, 0},
    {"\\bC([0-9]|[A-F])\\ [0-7]([0-9]|[A-F])\\b", ProgramChangeColor, 0, 0},
    {"\\bD([0-9]|[A-F])\\ [0-7]([0-9]|[A-F])\\b", ChannelPressureColor, 0, 0},
    {"\\bE([0-9]|[A-F])\\ [0-7]([0-9]|[A-F])\\ [0-7]([0-9]|[A-F])\\b", PitchBendColor, 0, 0},
};
const int TextHighlighter::MonitorParserOnCount = 8;

const TextHighlighter::Rule TextHighlighter::MonitorParserOffRules[] = {
    {"\\b9([0-9]|[A-F])(?!\\])\\b", NoteOnColor, 0, 0},
    {"\\b8([0-9]|[A-F])(?!\\])\\b", NoteOffColor, 0, 0},
    {"\\bA([0-9]|[A-F])(?!\\])\\b", KeyPressureColor, 0, 0},
    {"\\bB([0-9]|[A-F])(?!\\])\\b", ControlChangeColor, 0, 0},
    {"\\bC([0-9]|[A-F])[(?! {7})|(?!\\])]\\b", ProgramChangeColor, 0, 0},
    {"\\bD([0-9]|[A-F])(?!\\])\\b", ChannelPressureColor, 0, 0},
    {"\\bE([0-9]|[A-F])(?!\\])\\b", PitchBendColor, 0, 0},
};
const int TextHighlighter::MonitorParserOffCount = 7;

const TextHighlighter::Rule TextHighlighter::EditorRules[] = {
    {"(^| |,)(F|f)[0|7]", StatusColor, 0, 0},
    {"(^| |,)[A|a]([0-9]|[A-F|a-f])", StatusColor, 0, 0},
    {"(^| |,)[B|b]([0-9]|[A-F|a-f])", StatusColor, 0, 0},
    {"(^| |,)[C|c]([0-9]|[A-F|a-f])", StatusColor, 0, 0},
    {"(^| |,)[D|d]([0-9]|[A-F|a-f])", StatusColor, 0, 0},
    {"(^| |,)[E|e]([0-9]|[A-F|a-f])", StatusColor, 0, 0},
    {"(^| |,)9([0-9]|[A-F|a-f])", StatusColor, 0, 0},
    {"(^| |,)8([0-9]|[A-F|a-f])", StatusColor, 0, 0},
    {"(^| |,)(F|f)[12368AaBbCcEeFf]", StatusColor, 0, 0},
    {",", QColor(Qt::black), 0, 0},
    {"//.*", QColor(Qt::darkGreen), 0, 1},
};
const int TextHighlighter::EditorCount = 11;

TextHighlighter::TextHighlighter(QTextDocument* document, VantelMidiModel* aModel, const Rule* table,
                                 int count, Attachment anAttachment, QObject* parent)
    : QSyntaxHighlighter(document != nullptr ? static_cast<QObject*>(document) : parent), model(aModel),
      target(document), attachment(anAttachment), active(table), activeCount(count)
{
    colouring = model->getValue(ParamMessageColor) != 0;
    compile();
    if (attachment == FollowsDocument)
        setDocument(document);
    model->addAssistant(this);
}

TextHighlighter::~TextHighlighter()
{
    model->removeAssistant(this);
}

void TextHighlighter::compile()
{
    expressions.clear();
    formats.clear();
    expressions.reserve(activeCount);
    formats.reserve(activeCount);
    for (int i = 0; i < activeCount; ++i) {
        QRegularExpression expression(QString::fromLatin1(active[i].pattern),
                                      QRegularExpression::UseUnicodePropertiesOption);
        expression.optimize();
        expressions.append(expression);
        QTextCharFormat format;
        format.setForeground(active[i].color);
        formats.append(format);
    }
    compiledFor(active);
}

void TextHighlighter::compileInto(Compiled& compiled, const Rule* table, int count)
{
    compiled.table = table;
    compiled.count = count;
    for (int i = 0; i < count; ++i) {
        QRegularExpression expression(QString::fromLatin1(table[i].pattern),
                                      QRegularExpression::UseUnicodePropertiesOption);
        expression.optimize();
        compiled.expressions.append(expression);
        QTextCharFormat format;
        format.setForeground(table[i].color);
        compiled.formats.append(format);
        compiled.leads.append(leadOf(table[i].pattern));
    }
}

TextHighlighter::Compiled* TextHighlighter::compiledFor(const Rule* table)
{
    if (table == nullptr)
        return nullptr;
    for (Compiled& compiled : tables)
        if (compiled.table == table)
            return &compiled;
    // Only the tables this highlighter was given can be asked for; their counts came with them.
    const int count = table == active ? activeCount : table == pending ? pendingCount : -1;
    if (count < 0)
        return nullptr;
    tables.append(Compiled());
    compileInto(tables.last(), table, count);
    return &tables.last();
}

void TextHighlighter::setPendingRules(const Rule* table, int count)
{
    pending = table;
    pendingCount = count;
    compiledFor(table);
}

void TextHighlighter::applyPendingRules()
{
    if (pending == nullptr)
        return;
    active = pending;
    activeCount = pendingCount;
    pending = nullptr;
    pendingCount = 0;
    compile();
}

void TextHighlighter::parameterChanged(qint32 id)
{
    if (id != ParamMessageColor)
        return;
    colouring = model->getValue(ParamMessageColor) != 0;
    // Re-highlighting touches the document; that is not an edit of the user's.
    model->lockModified();
    applyPendingRules();
    if (attachment == FollowsDocument)
        rehighlight();
    else
        Q_EMIT recolourRequested();
    model->unlockModified();
}

void TextHighlighter::highlightBlock(const QString& text)
{
    if (colouring && !suspended) {
        for (int i = 0; i < activeCount; ++i) {
            const Rule& rule = active[i];
            const QRegularExpression& expression = expressions[i];
            QRegularExpressionMatch match = expression.match(text);
            if (rule.mode == 1) {
                if (match.hasMatch())
                    setFormat(match.capturedStart(), rule.length < 1 ? text.length() : rule.length,
                              formats[i]);
                continue;
            }
            while (match.hasMatch()) {
                const int start = match.capturedStart();
                const int length = match.capturedLength();
                setFormat(start, length, formats[i]);
                match = expression.match(text, start + qMax(length, 1));
            }
        }
    }
    applyPendingRules();
}

void TextHighlighter::lineFormats(const QString& text, const Rule* table,
                                  QVector<QTextLayout::FormatRange>& ranges)
{
    ranges.clear();
    Compiled* compiled = compiledFor(table);
    if (compiled == nullptr || text.isEmpty())
        return;
    const Rule* const rules = compiled->table;
    const QVector<char>& leads = compiled->leads;
    // The same matches as highlightBlock(), each character owned by the last rule that set it.
    const int size = text.length();
    owners.fill(-1, size);
    qint8* owner = owners.data();
    const auto claim = [owner, size](int start, int count, qint8 rule) {
        if (start < 0 || start >= size)
            return;
        const int end = qMin(size, start + count);
        for (int c = start; c < end; ++c)
            owner[c] = rule;
    };
    // Where each ASCII character first starts a word. Most rules begin with a word boundary and one
    // fixed character; a line without that character at the start of a word is left to the next
    // rule without running the expression, and the search starts at its first candidate.
    int firstWordStart[128];
    std::fill(std::begin(firstWordStart), std::end(firstWordStart), -1);
    const QChar* characters = text.constData();
    for (int c = 0; c < size; ++c) {
        const ushort code = characters[c].unicode();
        if (code < 128 && firstWordStart[code] < 0 && (c == 0 || !isWordCharacter(characters[c - 1])))
            firstWordStart[code] = c;
    }
    bool any = false;
    for (int i = 0; i < compiled->count; ++i) {
        const Rule& rule = rules[i];
        int from = 0;
        if (leads[i] != 0) {
            from = firstWordStart[uchar(leads[i])];
            if (from < 0)
                continue;
        }
        const QRegularExpression& expression = compiled->expressions[i];
        QRegularExpressionMatch match = expression.match(text, from);
        if (!match.hasMatch())
            continue;
        any = true;
        if (rule.mode == 1) {
            claim(match.capturedStart(), rule.length < 1 ? size : rule.length, qint8(i));
            continue;
        }
        while (match.hasMatch()) {
            const int start = match.capturedStart();
            const int length = match.capturedLength();
            claim(start, length, qint8(i));
            from = start + qMax(length, 1);
            if (leads[i] != 0) {
                // No further place where a match could start: no need to let the expression look.
                const QChar lead = QLatin1Char(leads[i]);
                while (from < size && (characters[from] != lead || isWordCharacter(characters[from - 1])))
                    ++from;
                if (from >= size)
                    break;
            }
            match = expression.match(text, from);
        }
    }
    if (!any)
        return;
    for (int c = 0; c < size;) {
        const qint8 rule = owner[c];
        int end = c + 1;
        // Neighbouring matches of the same colour make one range.
        while (end < size && (owner[end] == rule ||
                              (rule >= 0 && owner[end] >= 0 && rules[owner[end]].color == rules[rule].color)))
            ++end;
        if (rule >= 0) {
            QTextLayout::FormatRange range;
            range.start = c;
            range.length = end - c;
            range.format = compiled->formats[rule];
            ranges.append(range);
        }
        c = end;
    }
}
