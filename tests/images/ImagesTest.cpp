#include <QDirIterator>
#include <QImage>
#include <QtTest>

// The widgets draw every embedded picture at twice the display resolution (a device pixel ratio of
// 2): each must load, and its width and height must halve to whole display pixels, or the picture
// would be drawn blurred or lose a row.
class ImagesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Q_INIT_RESOURCE(images); }

    void drawnAtTwiceDisplayResolution()
    {
        int count = 0;
        QDirIterator pictures(QStringLiteral(":/images"), {QStringLiteral("*.png")});
        while (pictures.hasNext()) {
            const QString path = pictures.next();
            const QImage image(path);
            QVERIFY2(!image.isNull(), qPrintable(path));
            QVERIFY2(image.width() % 2 == 0 && image.height() % 2 == 0, qPrintable(path));
            ++count;
        }
        QVERIFY(count > 0);
    }
};

QTEST_GUILESS_MAIN(ImagesTest)
#include "ImagesTest.moc"
