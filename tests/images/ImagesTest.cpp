#include <QImage>
#include <QtTest>

// Every picture the widgets address must be embedded under its name with the geometry the widgets
// slice it by (two-frame strips, the four-frame play/stop strip, ten digits).
class ImagesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Q_INIT_RESOURCE(images); }

    void embedded_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        for (const char* strip : {"file", "open", "disk", "tx", "rx", "txrx", "find", "close", "prev", "next"})
            QTest::newRow(strip) << QString::fromLatin1(strip) << QSize(128, 64);
        QTest::newRow("up_arrow_button") << "up_arrow_button" << QSize(72, 48);
        QTest::newRow("down_arrow_button") << "down_arrow_button" << QSize(72, 48);
        QTest::newRow("fa_play") << "fa_play" << QSize(72, 36);
        QTest::newRow("fb_continue") << "fb_continue" << QSize(72, 36);
        QTest::newRow("fc_stop") << "fc_stop" << QSize(72, 36);
        QTest::newRow("playstop") << "playstop" << QSize(120, 30);
        QTest::newRow("7seg") << "7seg" << QSize(760, 96);
        QTest::newRow("subwindow_icon") << "subwindow_icon" << QSize(32, 32);
        QTest::newRow("about") << "about" << QSize(1002, 340);
    }
    void embedded()
    {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        const QImage image(QStringLiteral(":/images/%1.png").arg(name));
        QVERIFY2(!image.isNull(), qPrintable(name));
        QCOMPARE(image.size(), size);
        // Frames are sliced by integer division; an odd strip would lose a pixel column.
        QCOMPARE(image.width() % 2, 0);
    }
};

QTEST_GUILESS_MAIN(ImagesTest)
#include "ImagesTest.moc"
