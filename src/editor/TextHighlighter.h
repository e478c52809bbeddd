#pragma once

#include "ModelAssistant.h"

#include <QColor>
#include <QRegExp>
#include <QSyntaxHighlighter>
#include <QVector>

class VantelMidiModel;

// Colours the hexadecimal text of the monitors and the system-exclusive editor by message type,
// with one of three rule tables. Colouring as a whole follows parameter 1203 (Color).
//
// A table can be replaced while the document already shows text: the new table is held pending
// and takes over after the next line has been highlighted, so lines already shown keep their
// colours and new lines take the new rules.
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

    TextHighlighter(QTextDocument* document, VantelMidiModel* model, const Rule* table, int count);
    ~TextHighlighter() override;

    void setPendingRules(const Rule* table, int count);
    void applyPendingRules();
    const Rule* activeRules() const { return active; }
    const Rule* pendingRules() const { return pending; }

    void parameterChanged(qint32 id) override;

protected:
    void highlightBlock(const QString& text) override;

private:
    void compile();

    VantelMidiModel* model;
    bool colouring = true;
    const Rule* active = nullptr;
    int activeCount = 0;
    const Rule* pending = nullptr;
    int pendingCount = 0;
    QVector<QRegExp> expressions; // compiled patterns of the active table
};
