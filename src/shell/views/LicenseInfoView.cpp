#include "LicenseInfoView.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTextStream>

LicenseInfoView::LicenseInfoView(QWidget* parent) : QTextEdit(parent)
{
    setReadOnly(true);
    resize(675, 300);
    setAttribute(Qt::WA_DeleteOnClose);
    QString text = readLicenceText(QString::fromLatin1(FileName));
    text.replace(QLatin1String("QT_VERSION"), QString::fromLatin1(qVersion()));
    setPlainText(text);
}

QString LicenseInfoView::readLicenceText(const QString& fileName)
{
    const QString folder = QCoreApplication::applicationDirPath();
    QStringList tried;
    for (const QString& path : {folder + QLatin1String("/../share/vantel-midi/") + fileName,
                                folder + QLatin1Char('/') + fileName}) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            tried << QDir::toNativeSeparators(QDir::cleanPath(path)) + QStringLiteral(": ") +
                         file.errorString();
            continue;
        }
        QTextStream stream(&file);
        stream.setCodec("UTF-8");
        return stream.readAll();
    }
    // A program copied without its data files says what is missing instead of showing nothing.
    return QStringLiteral(
               "This text is read from a file installed with the program, which cannot be read:\n") +
           tried.join(QLatin1Char('\n'));
}
