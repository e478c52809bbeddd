#include "WidgetTestSupport.h"

#include "LineEdit.h"
#include "PushButton.h"
#include "ToolButton.h"
#include "UnstyledCheckBox.h"
#include "VantelMidiStyle.h"

#include <QCheckBox>
#include <QIntValidator>
#include <QMenu>
#include <QPainter>
#include <QTimer>

#include <memory>

namespace {

// Counts the key presses that reach a widget, to tell whether a child consumed them.
class KeyCounter : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress)
            ++presses;
        return QObject::eventFilter(watched, event);
    }
    int presses = 0;
};

// A two-frame strip at twice the display resolution: red normal frame, blue pressed frame.
QPixmap twoFrameStrip()
{
    QPixmap strip(40, 20);
    QPainter painter(&strip);
    painter.fillRect(0, 0, 20, 20, Qt::red);
    painter.fillRect(20, 0, 20, 20, Qt::blue);
    return strip;
}

QColor pixelAt(QWidget* widget, QPoint pos)
{
    return widget->grab().toImage().pixelColor(pos);
}

void paintGreen(PushButton* button, QPainter* painter)
{
    painter->fillRect(button->rect(), Qt::green);
}

} // namespace

class PlainWidgetsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        window = std::make_unique<QWidget>();
        window->resize(300, 200);
        other = new QLineEdit(window.get());
        other->setGeometry(10, 150, 100, 24);
        QVERIFY(showActive(window.get()));
    }

    void cleanup() { window.reset(); }

    // Key 0: the edit ends by a click into another widget.
    void lineEditCommits_data()
    {
        QTest::addColumn<bool>("validated");
        QTest::addColumn<QString>("fallback");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("emitted");

        const auto row = [](const char* name, bool validated, const char* fallback, const char* text,
                            const char* expected, int emitted, int key = Qt::Key_Return) {
            QTest::newRow(name) << validated << QString(fallback) << QString(text) << key << QString(expected)
                                << emitted;
        };
        row("inside, text kept as typed", true, "8", "05", "05", 1);
        row("not a number", true, "8", "abc", "8", 1);
        row("empty without fallback", true, "", "", "", 0);
        row("no validator keeps any text", false, "8", "abc", "abc", 1);
        row("no validator, empty", false, "8", "", "", 0);
        row("enter, below the bottom", true, "3", "0", "1", 1, Qt::Key_Enter);
        row("focus loss, above the top", true, "3", "20", "16", 1, 0);
    }

    void lineEditCommits()
    {
        QFETCH(bool, validated);
        QFETCH(QString, fallback);
        QFETCH(QString, text);
        QFETCH(int, key);
        QFETCH(QString, expected);
        QFETCH(int, emitted);

        LineEdit* edit = clampingEdit(fallback, validated);
        KeyCounter parentKeys;
        window->installEventFilter(&parentKeys);
        QSignalSpy finished(edit, &QLineEdit::editingFinished);

        edit->setText(text);
        if (key != 0) {
            QTest::keyClick(edit, Qt::Key(key));
        } else {
            QTest::mouseClick(other, Qt::LeftButton);
            QVERIFY(other->hasFocus());
        }
        QCOMPARE(edit->text(), expected);
        QCOMPARE(finished.count(), emitted);
        // The key stops at the line edit (a dialog's default button must not fire as well).
        QCOMPARE(parentKeys.presses, 0);
        window->removeEventFilter(&parentKeys);
    }

    void lineEditKeepsEditingThroughItsMenu()
    {
        LineEdit* edit = clampingEdit(QStringLiteral("3"));
        QSignalSpy finished(edit, &QLineEdit::editingFinished);
        edit->setText(QStringLiteral("0"));

        bool menuShown = false;
        int emittedWhileOpen = -1;
        QString textWhileOpen;
        QTimer::singleShot(0, this, [&] {
            QWidget* popup = QApplication::activePopupWidget();
            menuShown = qobject_cast<QMenu*>(popup) != nullptr;
            emittedWhileOpen = finished.count();
            textWhileOpen = edit->text();
            if (popup != nullptr)
                popup->close();
        });
        QTest::mouseClick(edit, Qt::RightButton);
        QTRY_VERIFY(menuShown);
        // (What happens after the menu closes depends on the window system: the offscreen platform
        // deactivates the window, which counts as losing the focus.)
        QCOMPARE(emittedWhileOpen, 0);
        QCOMPARE(textWhileOpen, QStringLiteral("0"));
    }

    // A frame covers a quarter of the strip's width and half its height: 10 x 10.
    void imageButtonsShowTheFrameOfTheirState()
    {
        auto* tool = new ToolButton(window.get());
        tool->setGeometry(10, 10, 30, 30);
        tool->setImage(twoFrameStrip());
        tool->show();
        QCOMPARE(pixelAt(tool, QPoint(5, 5)), QColor(Qt::red));
        QVERIFY(pixelAt(tool, QPoint(20, 20)) != QColor(Qt::red));
        tool->setEnabled(false);
        QCOMPARE(pixelAt(tool, QPoint(5, 5)), QColor(Qt::blue));

        auto* button = new PushButton(window.get());
        button->setGeometry(10, 10, 40, 30);
        button->setImage(twoFrameStrip());
        button->setImagePosition(4, 6);
        button->show();
        QCOMPARE(pixelAt(button, QPoint(9, 11)), QColor(Qt::red));
        QVERIFY(pixelAt(button, QPoint(2, 2)) != QColor(Qt::red));
        // Not checkable: the pressed frame while the button is down; checkable: while checked.
        QTest::mousePress(button, Qt::LeftButton, Qt::NoModifier, QPoint(9, 11));
        QCOMPARE(pixelAt(button, QPoint(9, 11)), QColor(Qt::blue));
        QTest::mouseRelease(button, Qt::LeftButton, Qt::NoModifier, QPoint(9, 11));
        QCOMPARE(pixelAt(button, QPoint(9, 11)), QColor(Qt::red));
        button->setCheckable(true);
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(9, 11));
        QCOMPARE(pixelAt(button, QPoint(9, 11)), QColor(Qt::blue));
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(9, 11));
        QCOMPARE(pixelAt(button, QPoint(9, 11)), QColor(Qt::red));

        // Centred when shown, ((40 - 10) / 2, (30 - 10) / 2), and again at the next show.
        button->hide();
        button->setAutoCentre(true);
        button->show();
        QCOMPARE(button->imagePosition(), QPoint(15, 10));
        QCOMPARE(pixelAt(button, QPoint(20, 15)), QColor(Qt::red));
        button->hide();
        button->resize(60, 50);
        button->show();
        QCOMPARE(button->imagePosition(), QPoint(25, 20));

        // A paint function replaces the image.
        button->setPaintFunction(&paintGreen);
        button->update();
        QCOMPARE(pixelAt(button, QPoint(5, 5)), QColor(Qt::green));
        QCOMPARE(pixelAt(button, QPoint(55, 45)), QColor(Qt::green));
    }

    void unstyledCheckBoxShowsNoIndicator()
    {
        VantelMidiStyle plain;
        UnstyledCheckBox unstyled;

        auto* normal = new QCheckBox(window.get());
        normal->setStyle(&plain);
        normal->setChecked(true);
        normal->setGeometry(10, 10, 40, 24);
        auto* bare = new QCheckBox(window.get());
        bare->setStyle(&unstyled);
        bare->setChecked(true);
        bare->setGeometry(10, 40, 40, 24);
        normal->show();
        bare->show();

        const auto uniform = [](const QImage& image) {
            const QRgb first = image.pixel(0, 0);
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (image.pixel(x, y) != first)
                        return false;
            return true;
        };
        // Without text, the plain box shows its indicator and the unstyled one shows nothing.
        QVERIFY(!uniform(normal->grab().toImage()));
        QVERIFY(uniform(bare->grab().toImage()));

        // It still toggles on a click, and takes no focus.
        bare->setText(QStringLiteral("Channel"));
        bare->adjustSize();
        QCOMPARE(bare->focusPolicy(), Qt::NoFocus);
        other->setFocus();
        QTest::mouseClick(bare, Qt::LeftButton, Qt::NoModifier,
                          QPoint(bare->width() / 2, bare->height() / 2));
        QVERIFY(!bare->isChecked());
        QVERIFY(other->hasFocus());
        delete normal;
        delete bare;
    }

private:
    // A line edit with the focus, clamping to 1..16 unless validated is false.
    LineEdit* clampingEdit(const QString& fallback, bool validated = true)
    {
        auto* edit = new LineEdit(QStringLiteral("3"), fallback, window.get());
        if (validated)
            edit->setValidator(new QIntValidator(1, 16, edit));
        edit->setGeometry(10, 10, 100, 24);
        edit->show();
        edit->setFocus();
        return edit;
    }

    std::unique_ptr<QWidget> window;
    QLineEdit* other = nullptr;
};

VANTEL_WIDGET_TEST_MAIN(PlainWidgetsTest)
#include "PlainWidgetsTest.moc"
