#pragma once

#include "ModelAssistant.h"

#include <QColor>
#include <QRegularExpression>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QTextLayout>
#include <QVector>

class VantelMidiModel;

// Colours the hexadecimal text of the monitors and the system-exclusive editor by message type,
// with one of three rule tables. Colouring as a whole follows parameter 1203 (Color).
//
// A table can be replaced while the document already shows text: the new table is held pending
// and takes over after the next line has been highlighted, so lines already shown keep their
// colours and new lines take the new rules.
//
// An editor's highlighter follows every change of its document, as QSyntaxHighlighter does. A
// monitor's has no document: under a flood a monitor gains thousands of lines per refresh, and
// colouring them as they come would cost more than keeping them. The monitor notes per line which
// table colours it (colouringRules() when the line came) and asks for a line's colours only when
// the line is drawn; on a colour switch the highlighter tells it to take colouringRules() for every
// line.
class TextHighlighter : public QSyntaxHighlighter, public ModelAssistant
{
    Q_OBJECT

public:
    struct Rule
    {
        const char* pattern;
        QColor color;
        qint32 length; // mode 1: characters to colour; below 1 means to the end of the line
        qint32 mode;   // 0: every match; 1: the first match only
    };

    static const Rule MonitorParserOnRules[];
    static const int MonitorParserOnCount;
    static const Rule MonitorParserOffRules[];
    static const int MonitorParserOffCount;
    static const Rule EditorRules[];
    static const int EditorCount;

    enum Attachment
    {
        FollowsDocument, // re-highlights whatever changes (editors)
        ColoursOnRequest // no document: colours the lines it is asked for (monitors)
    };

    // document: the editor's document, or null for ColoursOnRequest (then owned by `parent`).
    TextHighlighter(QTextDocument* document, VantelMidiModel* model, const Rule* table, int count,
                    Attachment attachment = FollowsDocument, QObject* parent = nullptr);
    ~TextHighlighter() override;

    // The table a line gets now: the active one, or null while colouring is off.
    const Rule* colouringRules() const { return colouring ? active : nullptr; }
    // The colour ranges of one line by a table (null: none), as highlightBlock() would set them
    // with that table active.
    void lineFormats(const QString& text, const Rule* table, QVector<QTextLayout::FormatRange>& ranges);

    // While suspended, lines are highlighted with no colours at all: text placed in a large
    // amount (an opened file) is coloured afterwards in slices (lineFormats) instead of block by
    // block as it goes in, which would lay out every block on the way.
    void setSuspended(bool on) { suspended = on; }
    bool isSuspended() const { return suspended; }

    void setPendingRules(const Rule* table, int count);
    void applyPendingRules();
    const Rule* activeRules() const { return active; }
    const Rule* pendingRules() const { return pending; }

    void parameterChanged(qint32 id) override;

Q_SIGNALS:
    // Colouring was switched (ColoursOnRequest): every line is to take colouringRules().
    void recolourRequested();

protected:
    void highlightBlock(const QString& text) override;

private:
    struct Compiled
    {
        const Rule* table = nullptr;
        int count = 0;
        QVector<QRegularExpression> expressions;
        QVector<QTextCharFormat> formats; // one per rule, shared by every range
        QVector<char> leads;              // per rule: the character its matches start with, or 0
    };
    void compile();
    static void compileInto(Compiled& compiled, const Rule* table, int count);
    Compiled* compiledFor(const Rule* table);

    VantelMidiModel* model;
    QTextDocument* target;
    Attachment attachment;
    bool colouring = true;
    bool suspended = false;
    const Rule* active = nullptr;
    int activeCount = 0;
    const Rule* pending = nullptr;
    int pendingCount = 0;
    QVector<QRegularExpression> expressions; // compiled patterns of the active table (highlightBlock)
    QVector<QTextCharFormat> formats;        // one per rule of the active table
    QVector<Compiled> tables;                // every table lineFormats() was asked for
    QVector<qint8> owners;                   // per character of a line: the rule colouring it, or -1
};
