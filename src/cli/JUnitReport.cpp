#include "JUnitReport.h"

#include <QSaveFile>
#include <QXmlStreamWriter>

QByteArray JUnitReport::text() const
{
    int failures = 0;
    double total = 0;
    for (const Result& result : results) {
        failures += result.passed ? 0 : 1;
        total += result.seconds;
    }
    const auto seconds = [](double value) { return QString::number(value, 'f', 3); };
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    xml.writeAttribute(QStringLiteral("tests"), QString::number(results.size()));
    xml.writeAttribute(QStringLiteral("failures"), QString::number(failures));
    xml.writeAttribute(QStringLiteral("time"), seconds(total));
    xml.writeStartElement(QStringLiteral("testsuite"));
    xml.writeAttribute(QStringLiteral("name"), suite);
    xml.writeAttribute(QStringLiteral("tests"), QString::number(results.size()));
    xml.writeAttribute(QStringLiteral("failures"), QString::number(failures));
    xml.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("time"), seconds(total));
    for (const Result& result : results) {
        xml.writeStartElement(QStringLiteral("testcase"));
        xml.writeAttribute(QStringLiteral("classname"), suite);
        xml.writeAttribute(QStringLiteral("name"), result.name);
        xml.writeAttribute(QStringLiteral("time"), seconds(result.seconds));
        if (!result.passed) {
            xml.writeStartElement(QStringLiteral("failure"));
            xml.writeAttribute(QStringLiteral("message"), result.failure);
            xml.writeCharacters(result.details.isEmpty() ? result.failure : result.details);
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QString JUnitReport::write(const QString& path) const
{
    const QByteArray bytes = text();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return QString();
    return QStringLiteral("cannot write the report \"%1\": %2").arg(path, file.errorString());
}
