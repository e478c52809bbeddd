#include "LicenseInfoView.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>

LicenseInfoView::LicenseInfoView(QWidget* parent) : QTextEdit(parent)
{
    setReadOnly(true);
    resize(675, 300);
    setAttribute(Qt::WA_DeleteOnClose);
    QString text = readBesideExecutable(QString::fromLatin1(FileName));
    text.replace(QLatin1String("QT_VERSION"), QString::fromLatin1(qVersion()));
    setPlainText(text);
}

QString LicenseInfoView::readBesideExecutable(const QString& fileName)
{
    QFile file(QCoreApplication::applicationDirPath() + QLatin1Char('/') + fileName);
    // A program copied without its data files says what is missing instead of showing nothing.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QStringLiteral("This text is read from a file installed with the program, which cannot be "
                              "read:\n%1\n%2")
            .arg(QDir::toNativeSeparators(file.fileName()), file.errorString());
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    return stream.readAll();
}
