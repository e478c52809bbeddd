#include "TextHighlighter.h"

#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

namespace {
const QColor NoteOnColor(172, 172, 255);
const QColor NoteOffColor(170, 0, 130);
const QColor KeyPressureColor(67, 127, 140);
const QColor ControlChangeColor(255, 255, 66);
const QColor ProgramChangeColor(255, 28, 28);
const QColor ChannelPressureColor(152, 192, 172);
const QColor PitchBendColor(16, 227, 16);
const QColor StatusColor(96, 96, 255);
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

TextHighlighter::TextHighlighter(QTextDocument* document, VantelMidiModel* model, const Rule* table,
                                 int count)
    : QSyntaxHighlighter(document), model(model), active(table), activeCount(count)
{
    colouring = model->getValue(ParamMessageColor) != 0;
    compile();
    model->addAssistant(this);
}

TextHighlighter::~TextHighlighter()
{
    model->removeAssistant(this);
}

void TextHighlighter::compile()
{
    expressions.clear();
    expressions.reserve(activeCount);
    for (int i = 0; i < activeCount; ++i)
        expressions.append(
            QRegExp(QString::fromLatin1(active[i].pattern), Qt::CaseSensitive, QRegExp::RegExp));
}

void TextHighlighter::setPendingRules(const Rule* table, int count)
{
    pending = table;
    pendingCount = count;
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
    rehighlight();
    model->unlockModified();
}

void TextHighlighter::highlightBlock(const QString& text)
{
    if (colouring) {
        for (int i = 0; i < activeCount; ++i) {
            const Rule& rule = active[i];
            QRegExp& expression = expressions[i];
            if (rule.mode == 1) {
                const int start = expression.indexIn(text);
                if (start >= 0)
                    setFormat(start, rule.length < 1 ? text.length() : rule.length, rule.color);
                continue;
            }
            int start = expression.indexIn(text);
            while (start >= 0) {
                const int length = expression.matchedLength();
                setFormat(start, length, rule.color);
                start = expression.indexIn(text, start + qMax(length, 1));
            }
        }
    }
    applyPendingRules();
}
