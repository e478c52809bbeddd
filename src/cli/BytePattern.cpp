#include "BytePattern.h"

#include "HexText.h"

#include <QRegularExpression>

bool BytePattern::parse(const QString& text, QString* error)
{
    items.clear();
    source = text.simplified();
    const QStringList tokens =
        source.split(QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts);
    for (const QString& token : tokens) {
        if (token == QLatin1String("..")) {
            items.append(AnyByte);
            continue;
        }
        if (token == QLatin1String("*")) {
            // Two runs in a row match what one matches.
            if (items.isEmpty() || items.last() != AnyRun)
                items.append(AnyRun);
            continue;
        }
        QByteArray bytes;
        if (!HexText::bytesOfText(token, &bytes) || bytes.isEmpty()) {
            if (error != nullptr)
                *error =
                    QStringLiteral("\"%1\" in the pattern \"%2\" is not hexadecimal bytes, \"..\" or \"*\"")
                        .arg(token, source);
            items.clear();
            return false;
        }
        for (const char c : bytes)
            items.append(quint8(c));
    }
    if (items.isEmpty() && error != nullptr)
        *error = QStringLiteral("the pattern is empty");
    return !items.isEmpty();
}

bool BytePattern::matches(const QByteArray& message) const
{
    if (items.isEmpty())
        return false;
    // Glob matching that goes back only to the last run: linear in practice, never exponential,
    // however many runs a pattern has and however long the message is.
    const int size = message.size();
    const int count = items.size();
    int at = 0;
    int item = 0;
    int runItem = -1;
    int runStart = 0;
    while (at < size) {
        const int want = item < count ? items.at(item) : -1;
        if (want >= 0 && want != AnyRun && (want == AnyByte || quint8(message.at(at)) == want)) {
            ++at;
            ++item;
        } else if (want == AnyRun) {
            runItem = item++;
            runStart = at;
        } else if (runItem >= 0) {
            item = runItem + 1;
            at = ++runStart;
        } else {
            return false;
        }
    }
    while (item < count && items.at(item) == AnyRun)
        ++item;
    return item == count;
}
