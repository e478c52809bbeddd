#pragma once

#include "BytePattern.h"

#include <QString>
#include <QVector>

// A conversation file for "run": named cases, each a sequence of steps run in order.
//
//   # comment lines and blank lines are ignored
//   case NAME
//   send HEX...                  bytes by the editor's rules (a // comment may end the line)
//   send-file FILE               a .syx file or a text file of bytes (relative to the script)
//   expect PATTERN [within MS]   a message matching the pattern within MS (default 1000) ms
//   wait MS                      a pause
class ConversationScript
{
public:
    struct Step
    {
        enum Kind
        {
            Send,
            SendFile,
            Expect,
            Wait
        };
        Kind kind = Send;
        int line = 0;
        QString text;        // as written, for reports
        QString argument;    // the hex text or the file path
        BytePattern pattern; // Expect
        qint64 milliseconds = 0;
    };
    struct Case
    {
        QString name;
        int line = 0;
        QVector<Step> steps;
    };

    // False with a message naming the line in *error.
    bool parse(const QString& text, const QString& folder, QString* error);
    const QVector<Case>& cases() const { return all; }

    static constexpr qint64 DefaultExpectMs = 1000;

private:
    QVector<Case> all;
};
