#include "ConversationScript.h"

#include "HexText.h"

#include <QDir>
#include <QRegularExpression>

bool ConversationScript::parse(const QString& text, const QString& folder, QString* error)
{
    all.clear();
    static const QRegularExpression within(QStringLiteral("^(.*)\\swithin\\s+(\\d+)\\s*(?:ms)?$"));
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        const int number = i + 1;
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const int blank = line.indexOf(QRegularExpression(QStringLiteral("\\s")));
        const QString keyword = blank < 0 ? line : line.left(blank);
        const QString rest = blank < 0 ? QString() : line.mid(blank + 1).trimmed();
        const auto fail = [&](const QString& why) {
            *error = QStringLiteral("line %1: %2").arg(number).arg(why);
            all.clear();
            return false;
        };
        if (keyword == QLatin1String("case")) {
            if (rest.isEmpty())
                return fail(QStringLiteral("a case needs a name"));
            all.append(Case{rest, number, {}});
            continue;
        }
        if (all.isEmpty())
            return fail(QStringLiteral("\"%1\" before the first case").arg(keyword));
        Step step;
        step.line = number;
        step.text = line;
        if (keyword == QLatin1String("send")) {
            step.kind = Step::Send;
            step.argument = rest;
            if (HexText::countBytes(rest) <= 0)
                return fail(QStringLiteral("send needs whole bytes of hexadecimal digits"));
        } else if (keyword == QLatin1String("send-file")) {
            step.kind = Step::SendFile;
            if (rest.isEmpty())
                return fail(QStringLiteral("send-file needs a file"));
            step.argument = QDir(folder).filePath(rest);
        } else if (keyword == QLatin1String("expect")) {
            step.kind = Step::Expect;
            QString pattern = rest;
            step.milliseconds = DefaultExpectMs;
            const QRegularExpressionMatch match = within.match(rest);
            if (match.hasMatch()) {
                pattern = match.captured(1);
                step.milliseconds = match.captured(2).toLongLong();
            }
            QString why;
            if (!step.pattern.parse(pattern, &why))
                return fail(why);
        } else if (keyword == QLatin1String("wait")) {
            step.kind = Step::Wait;
            bool ok = false;
            step.milliseconds = rest.toLongLong(&ok);
            if (!ok || step.milliseconds < 0)
                return fail(QStringLiteral("wait needs milliseconds"));
        } else {
            return fail(QStringLiteral("unknown step \"%1\" (send, send-file, expect, wait)").arg(keyword));
        }
        all.last().steps.append(step);
    }
    if (all.isEmpty()) {
        *error = QStringLiteral("the script holds no case");
        return false;
    }
    return true;
}
