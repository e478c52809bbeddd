#include "../widgets/WidgetTestSupport.h"

#include "PressureKeyboard.h"

#include <memory>

namespace {

// The white-key size of the keyboard view.
const QSizeF KeySize(25, 100);
// Below the black keys, so a white key's centre column hits only that white key.
const int WhiteRow = 80;

} // namespace

class KeyboardTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        window = std::make_unique<QWidget>();
        window->resize(1875, 101);
        keyboard = new PressureKeyboard(window.get(), KeySize);
        keyboard->setGeometry(0, 0, 1875, 101);
        keyboard->setPressedColor(QColor(160, 160, 185));
        log.clear();
        connect(keyboard, &Keyboard::noteOn, this,
                [this](qint32 n) { log << QStringLiteral("on%1").arg(n); });
        connect(keyboard, &Keyboard::noteOff, this,
                [this](qint32 n) { log << QStringLiteral("off%1").arg(n); });
        connect(keyboard, &PressureKeyboard::keyPressure, this,
                [this](qint32 n, qint32 v) { log << QStringLiteral("poly%1=%2").arg(n).arg(v); });
        connect(keyboard, &PressureKeyboard::channelPressure, this,
                [this](qint32 v) { log << QStringLiteral("chan=%1").arg(v); });
        QVERIFY(showActive(window.get()));
    }

    void cleanup() { window.reset(); }

    // Black keys lie over the white ones and are hit first; both ends of the range are reachable.
    void clickSoundsTheKeyUnderThePointer_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QString>("expected");
        QTest::newRow("lowest black over white") << QPoint(20, 10) << "on1 off1";
        QTest::newRow("lowest white below black") << QPoint(20, 70) << "on0 off0";
        QTest::newRow("highest black") << QPoint(1848, 10) << "on126 off126";
        QTest::newRow("highest white") << QPoint(1874, 99) << "on127 off127";
        QTest::newRow("below the keys") << QPoint(500, 100) << "";
    }

    void clickSoundsTheKeyUnderThePointer()
    {
        QFETCH(QPoint, point);
        QFETCH(QString, expected);
        QTest::mouseClick(keyboard, Qt::LeftButton, Qt::NoModifier, point);
        QCOMPARE(log.join(' '), expected);
        QCOMPARE(keyboard->keyRect(1), QRect(19, 0, 11, 63));
        QCOMPARE(keyboard->keyRect(126), QRect(1844, 0, 11, 63));
    }

    // A script is a list of press (p), move (m) and release (r) on a white note; upper case
    // holds Control.
    void gestures_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected");
        QTest::newRow("click") << "p60 r60"
                               << "on60 off60";
        QTest::newRow("glissando: off, then on at the next move") << "p60 m62 m62 m64 m64 r64"
                                                                  << "on60 off60 on62 off62 on64 off64";
        QTest::newRow("Control latches; a plain click only clears") << "P60 R60 P62 R62 p64 r64"
                                                                    << "on60 on62 off60 off62";
        QTest::newRow("Control-drag presses, from a held key releases") << "P60 M62 M64 R64 P62 M64 M65 R65"
                                                                        << "on60 on62 on64 off62 off64";
        QTest::newRow("right button plays nothing") << "b60 m62"
                                                    << "";
    }

    void gestures()
    {
        QFETCH(QString, script);
        QFETCH(QString, expected);
        run(script, WhiteRow);
        QCOMPARE(log.join(' '), expected);
    }

    void polyPressureForEveryHeldKey()
    {
        keyboard->setPressureMode(PressureKeyboard::PolyKeyPressure);
        // Gathered with Control (pressure 101 at the press), then pressed down to row 90 (114).
        run(QStringLiteral("P60 M62 M64 M65"), WhiteRow);
        log.clear();
        run(QStringLiteral("m65"), 90);
        QCOMPARE(log.join(' '), QStringLiteral("poly60=114 poly62=114 poly64=114 poly65=114"));
        // Same pressure elsewhere: nothing, and no glissando either.
        log.clear();
        run(QStringLiteral("m67"), 90);
        QCOMPARE(log, QStringList());
        QCOMPARE(pixelAt(QPoint(1000, 90)), QColor(Qt::blue));

        // Shift continues from where it came in, at half a pixel per 128ths of the key height;
        // without Shift the row maps absolutely again.
        shiftMove(90);
        QCOMPARE(log, QStringList());
        shiftMove(86);
        QCOMPARE(log.join(' '), QStringLiteral("poly60=112 poly62=112 poly64=112 poly65=112"));
        log.clear();
        run(QStringLiteral("m67"), 86);
        QCOMPARE(log.join(' '), QStringLiteral("poly60=109 poly62=109 poly64=109 poly65=109"));
        log.clear();
        run(QStringLiteral("r67"), 86);
        QCOMPARE(log.join(' '), QStringLiteral("off60 off62 off64 off65"));
        QCOMPARE(keyboard->currentPressure(), PressureKeyboard::NoPressure);
    }

    void channelPressureOnlyWhileAKeyIsHeld()
    {
        keyboard->setPressureMode(PressureKeyboard::ChannelPressure);
        run(QStringLiteral("p60"), WhiteRow);
        run(QStringLiteral("m60 m62 r62"), 90);
        QCOMPARE(log.join(' '), QStringLiteral("on60 chan=114 off60"));
        // Latched, then released by a Control-press: the pressure is tracked but not sent.
        log.clear();
        run(QStringLiteral("P60 R60 P60 m60"), 99);
        QCOMPARE(log.join(' '), QStringLiteral("on60 off60"));
        QCOMPARE(keyboard->currentPressure(), 126);
        run(QStringLiteral("r60"), 99);
    }

private:
    // The window system reports no motion without a change of place, so a move onto the spot of
    // the previous event lands a pixel to the side.
    void run(const QString& script, int row)
    {
        for (const QString& step : script.split(' ')) {
            const QChar action = step.at(0).toLower();
            const Qt::KeyboardModifiers modifiers =
                step.at(0).isUpper() ? Qt::ControlModifier : Qt::NoModifier;
            QPoint pos(keyboard->keyRect(step.mid(1).toInt()).center().x(), row);
            if (action == 'm' && pos == last)
                pos.rx() += 1;
            last = pos;
            if (action == 'p')
                QTest::mousePress(keyboard, Qt::LeftButton, modifiers, pos);
            else if (action == 'b')
                QTest::mousePress(keyboard, Qt::RightButton, modifiers, pos);
            else if (action == 'm')
                QTest::mouseEvent(QTest::MouseMove, keyboard, Qt::NoButton, modifiers, pos);
            else
                QTest::mouseRelease(keyboard, Qt::LeftButton, modifiers, pos);
        }
    }

    void shiftMove(int row)
    {
        QTest::mouseEvent(QTest::MouseMove, keyboard, Qt::NoButton, Qt::ShiftModifier, QPoint(1000, row));
    }

    QColor pixelAt(QPoint pos) { return keyboard->grab().toImage().pixelColor(pos); }

    std::unique_ptr<QWidget> window;
    PressureKeyboard* keyboard = nullptr;
    QStringList log;
    QPoint last;
};

VANTEL_WIDGET_TEST_MAIN(KeyboardTest)
#include "KeyboardTest.moc"
