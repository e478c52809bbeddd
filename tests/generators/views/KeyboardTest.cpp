#include "../../widgets/WidgetTestSupport.h"

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

    // A script is a list of press (p, b for the right button), move (m, s with Shift) and release
    // (r) on a white note; upper case holds Control.
    void gestures_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("expected");
        // Note 1's centre column crosses its black key above row 63 and white key 0 below it.
        QTest::newRow("black keys are hit first") << "p1 r1" << 10 << "on1 off1";
        QTest::newRow("white key below a black one") << "p1 r1" << 70 << "on0 off0";
        QTest::newRow("both ends") << "p0 r0 p127 r127" << 99 << "on0 off0 on127 off127";
        QTest::newRow("glissando: off, then on at the next move")
            << "p60 m62 m62 m64 m64 r64" << WhiteRow << "on60 off60 on62 off62 on64 off64";
        QTest::newRow("Control latches; a plain click only clears")
            << "P60 R60 P62 R62 p64 r64" << WhiteRow << "on60 on62 off60 off62";
        QTest::newRow("Control-drag presses, from a held key releases")
            << "P60 M62 M64 R64 P62 M64 M65 R65" << WhiteRow << "on60 on62 on64 off62 off64";
        QTest::newRow("right button plays nothing") << "b60 m62" << WhiteRow << "";
    }

    void gestures()
    {
        QFETCH(QString, script);
        QFETCH(int, row);
        QFETCH(QString, expected);
        run(script, row);
        QCOMPARE(log.join(' '), expected);
    }

    void polyPressureForEveryHeldKey()
    {
        keyboard->setPressureMode(PressureKeyboard::PolyKeyPressure);
        // Gathered with Control at row 80 (pressure 101), pressed down to row 90 (114); the same
        // pressure on another key sends nothing and plays no glissando.
        run(QStringLiteral("P60 M62 M64 M65"), WhiteRow);
        log.clear();
        run(QStringLiteral("m65 m67"), 90);
        QCOMPARE(keyboard->grab().toImage().pixelColor(1000, 90), QColor(Qt::blue));
        // Shift (s) continues from row 90 at half a pixel per 128th of the key height: 112 at
        // row 86; without it the row maps absolutely again: 109.
        run(QStringLiteral("s67"), 90);
        run(QStringLiteral("s69 m71 r71"), 86);
        const auto poly = [](int v) {
            return QStringLiteral("poly60=%1 poly62=%1 poly64=%1 poly65=%1 ").arg(v);
        };
        QCOMPARE(log.join(' '),
                 poly(114) + poly(112) + poly(109) + QStringLiteral("off60 off62 off64 off65"));
        QCOMPARE(keyboard->currentPressure(), PressureKeyboard::NoPressure);
    }

    void channelPressureOnChangeOnly()
    {
        keyboard->setPressureMode(PressureKeyboard::ChannelPressure);
        run(QStringLiteral("p60"), WhiteRow);
        run(QStringLiteral("m60 m62 r62"), 90);
        QCOMPARE(log.join(' '), QStringLiteral("on60 chan=114 off60"));
    }

private:
    // The window system reports no motion without a change of place, so a move onto the spot of
    // the previous event lands a pixel to the side.
    void run(const QString& script, int row)
    {
        for (const QString& step : script.split(' ')) {
            const QChar code = step.at(0);
            const QChar action = code == 's' ? QChar('m') : code.toLower();
            const Qt::KeyboardModifiers modifiers = code.isUpper() ? Qt::ControlModifier
                                                    : code == 's'  ? Qt::ShiftModifier
                                                                   : Qt::NoModifier;
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

    std::unique_ptr<QWidget> window;
    PressureKeyboard* keyboard = nullptr;
    QStringList log;
    QPoint last;
};

VANTEL_WIDGET_TEST_MAIN(KeyboardTest)
#include "KeyboardTest.moc"
