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
// monitor's is detached: under a flood a monitor gains thousands of lines per refresh, and letting
// QSyntaxHighlighter format them one block at a time (a format per character, a change signal and
// a re-layout per block) costs more than inserting them. The monitor's text area instead asks it
// to colour the lines it appended, and it recolours the whole document itself on a colour switch.
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
        ColoursOnRequest // colours only what colourAppendedLines() is given (monitors)
    };

    TextHighlighter(QTextDocument* document, VantelMidiModel* model, const Rule* table, int count,
                    Attachment attachment = FollowsDocument);
    ~TextHighlighter() override;

    // Colours the lines from `continued` to the end of the document, which is the line the appended
    // text continued and every line after it. The continued line keeps the active table; a pending
    // one takes over for the lines after it. An invalid `continued` (that line is gone already)
    // colours the whole document with the pending table, if any. Only for ColoursOnRequest.
    void colourAppendedLines(const QTextBlock& continued);

    void setPendingRules(const Rule* table, int count);
    void applyPendingRules();
    const Rule* activeRules() const { return active; }
    const Rule* pendingRules() const { return pending; }

    void parameterChanged(qint32 id) override;

protected:
    void highlightBlock(const QString& text) override;

private:
    void compile();
    // The colour ranges of one line by the active table, as highlightBlock() would set them.
    void lineFormats(const QString& text, QVector<QTextLayout::FormatRange>& ranges);
    void colourBlock(const QTextBlock& block, QVector<QTextLayout::FormatRange>& ranges);
    void recolourDocument();

    VantelMidiModel* model;
    QTextDocument* target;
    Attachment attachment;
    bool colouring = true;
    const Rule* active = nullptr;
    int activeCount = 0;
    const Rule* pending = nullptr;
    int pendingCount = 0;
    QVector<QRegularExpression> expressions; // compiled patterns of the active table
    QVector<QTextCharFormat> formats; // one per rule of the active table, shared by every range
    QVector<char> leads;   // per rule of the active table: the character its matches start with, or 0
    QVector<qint8> owners; // per character of a line: the rule colouring it, or -1
};
