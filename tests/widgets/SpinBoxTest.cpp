#include "WidgetTestSupport.h"

#include "Model.h"
#include "SpinBox.h"
#include "SpinBoxSlider.h"

#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

const qint32 LevelId = 10;

} // namespace

class SpinBoxTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        model = std::make_unique<Model>();
        model->registerParameter(LevelId, 0, 127, 64, QStringLiteral("Level"));
        recorder.ids.clear();
        model->addAssistant(&recorder);

        window = std::make_unique<QWidget>();
        window->resize(300, 120);
        spinBox = new SpinBox(window.get());
        spinBox->setGeometry(10, 10, 120, 26);
        other = new QLineEdit(window.get());
        other->setGeometry(10, 60, 120, 26);
        QVERIFY(showActive(window.get()));
    }

    void cleanup()
    {
        window.reset();
        model->removeAssistant(&recorder);
        model.reset();
    }

    void boundBoxesFollowTheStoreAndEachOther()
    {
        model->setValue(LevelId, 100);
        bind();
        QCOMPARE(spinBox->maximum(), 127);
        QCOMPARE(spinBox->text(), QStringLiteral("100"));
        QVERIFY(!spinBox->isTextInputActive());
        QVERIFY(edit()->isReadOnly());
        model->setValue(LevelId, 64);
        QCOMPARE(spinBox->currentValue(), 64);

        auto* twin = new SpinBox(window.get());
        twin->setGeometry(150, 10, 120, 26);
        twin->show();
        twin->setId(LevelId);
        twin->connectModel(model.get());
        MouseDrag drag(twin, twin->rect().center());
        drag.up(5);
        drag.release();
        QCOMPARE(twin->text(), QStringLiteral("69"));
        QCOMPARE(spinBox->text(), QStringLiteral("69"));
        QCOMPARE(spinBox->currentValue(), 69);

        // A silent change shows and writes nothing; the next drag starts from the shown value.
        QSignalSpy announced(spinBox, &SpinBox::widgetValueChanged);
        spinBox->setValue(30);
        QCOMPARE(spinBox->text(), QStringLiteral("30"));
        QCOMPARE(model->getValue(LevelId), 69);
        QCOMPARE(announced.count(), 0);
        MouseDrag again(spinBox, spinBox->rect().center());
        again.up(1);
        again.release();
        QCOMPARE(model->getValue(LevelId), 31);
    }

    void textCommit_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("writes");

        QTest::newRow("return") << "42" << int(Qt::Key_Return) << 42 << 1;
        QTest::newRow("enter") << "7" << int(Qt::Key_Enter) << 7 << 1;
        QTest::newRow("over the maximum is refused while typing") << "300" << int(Qt::Key_Return) << 30 << 1;
        QTest::newRow("empty keeps the value") << "" << int(Qt::Key_Return) << 64 << 0;
        QTest::newRow("same value") << "64" << int(Qt::Key_Return) << 64 << 0;
        QTest::newRow("escape drops the typed text") << "99" << int(Qt::Key_Escape) << 64 << 0;
        // Key 0: the input ends by a click into another widget.
        QTest::newRow("focus loss commits") << "12" << 0 << 12 << 1;
    }

    void textCommit()
    {
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(int, expected);
        QFETCH(int, writes);

        bind();
        QSignalSpy announced(spinBox, &SpinBox::widgetValueChanged);
        // A double-click opens the text input with the value selected, and writes nothing.
        doubleClick();
        QVERIFY(spinBox->isTextInputActive());
        QVERIFY(!spinBox->slider()->isVisible());
        QVERIFY(spinBox->hasFocus());
        QCOMPARE(edit()->selectedText(), QStringLiteral("64"));
        QCOMPARE(recorder.count(LevelId), 0);
        // Typing replaces the selected text.
        QTest::keyClick(spinBox, Qt::Key_Backspace);
        if (key != 0) {
            typeAndPress(typed, Qt::Key(key));
        } else {
            QTest::keyClicks(spinBox, typed);
            QTest::mouseClick(other, Qt::LeftButton);
            QVERIFY(other->hasFocus());
        }

        QCOMPARE(model->getValue(LevelId), expected);
        QCOMPARE(spinBox->text(), QString::number(expected));
        QCOMPARE(recorder.count(LevelId), writes);
        QCOMPARE(announced.count(), writes);
        if (writes > 0)
            QCOMPARE(announced.first().at(0).toInt(), expected);
        // Back in display mode.
        QVERIFY(!spinBox->isTextInputActive());
        QVERIFY(spinBox->slider()->isVisible());
        QVERIFY(!edit()->hasSelectedText());

        // Return in display mode, and the focus leaving, commit nothing more (nor bring back dropped
        // text).
        spinBox->setFocus();
        QTest::keyClick(spinBox, Qt::Key_Return);
        other->setFocus();
        QCOMPARE(model->getValue(LevelId), expected);
        QCOMPARE(recorder.count(LevelId), writes);
        QCOMPARE(announced.count(), writes);
    }

    // No menu and no selection in display mode; in the text input the menu commits nothing.
    void contextMenu()
    {
        bind();
        QVERIFY(!rightClickOpensMenu(spinBox, spinBox->rect().center()));
        spinBox->setFocus();
        QTest::keyClick(spinBox, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(!edit()->hasSelectedText());

        doubleClick();
        QTest::keyClicks(spinBox, QStringLiteral("5"));
        bool writtenWhileOpen = true;
        QVERIFY(rightClickOpensMenu(edit(), edit()->rect().center(),
                                    [&] { writtenWhileOpen = recorder.count(LevelId) != 0; }));
        QVERIFY(!writtenWhileOpen);
        QVERIFY(spinBox->isTextInputActive());
        QCOMPARE(recorder.count(LevelId), 0);
        // The input goes on after the menu and commits once.
        QTest::keyClick(spinBox, Qt::Key_Return);
        QCOMPARE(model->getValue(LevelId), 5);
        QCOMPARE(recorder.count(LevelId), 1);
    }

    void controlClickResets()
    {
        // Unbound: to the view's reset value, and a drag goes on from there.
        spinBox->setRange(-12, 12);
        spinBox->setResetValue(0);
        spinBox->setValue(-5);
        QSignalSpy announced(spinBox, &SpinBox::widgetValueChanged);
        controlClick(spinBox);
        QCOMPARE(spinBox->text(), QStringLiteral("0"));
        QCOMPARE(announced.count(), 1);
        QCOMPARE(announced.first().at(0).toInt(), 0);
        QCOMPARE(recorder.ids.count(), 0);
        MouseDrag drag(spinBox, spinBox->rect().center());
        drag.up(8);
        drag.release();
        QCOMPARE(spinBox->text(), QStringLiteral("8"));

        // Bound: to the parameter's default, whatever the view's reset value; once only.
        spinBox->setResetValue(3);
        model->setValue(LevelId, 10);
        bind();
        announced.clear();
        controlClick(spinBox);
        controlClick(spinBox);
        QCOMPARE(model->getValue(LevelId), 64);
        QCOMPARE(spinBox->text(), QStringLiteral("64"));
        QCOMPARE(announced.count(), 1);
        QCOMPARE(recorder.count(LevelId), 1);
        // In the text field too.
        model->setValue(LevelId, 1);
        doubleClick();
        controlClick(edit());
        QCOMPARE(model->getValue(LevelId), 64);
        QCOMPARE(spinBox->text(), QStringLiteral("64"));
    }

    void keysAndWheelStepOnce()
    {
        bind();
        QSignalSpy announced(spinBox, &SpinBox::widgetValueChanged);
        spinBox->setFocus();
        QTest::keyClick(spinBox, Qt::Key_Up);
        QCOMPARE(model->getValue(LevelId), 65);
        QTest::keyClick(spinBox, Qt::Key_Down);
        QTest::keyClick(spinBox, Qt::Key_Down);
        QCOMPARE(model->getValue(LevelId), 63);
        QCOMPARE(announced.count(), 3);
        QCOMPARE(recorder.count(LevelId), 3);
        QVERIFY(edit()->isReadOnly());

        // The wheel passes through the overlay to the spin box.
        wheelTurn(spinBox, spinBox->rect().center(), 120);
        QCOMPARE(model->getValue(LevelId), 64);
        QCOMPARE(announced.count(), 4);

        // At the maximum a further step changes nothing and writes nothing.
        model->setValue(LevelId, 127);
        recorder.ids.clear();
        QTest::keyClick(spinBox, Qt::Key_Up);
        QCOMPARE(recorder.count(LevelId), 0);
        QCOMPARE(announced.count(), 4);
    }

    void showPlus()
    {
        spinBox->setRange(-24, 24);
        spinBox->setShowPlus(true);
        const struct
        {
            qint32 value;
            const char* text;
        } rows[] = {{5, "+5"}, {0, "0"}, {-3, "-3"}};
        for (const auto& row : rows) {
            spinBox->setValue(row.value);
            QCOMPARE(spinBox->text(), QString::fromLatin1(row.text));
        }
        // A typed value gets its sign back; a typed "+" is accepted.
        QSignalSpy announced(spinBox, &SpinBox::widgetValueChanged);
        doubleClick();
        typeAndPress(QStringLiteral("+7"), Qt::Key_Return);
        QCOMPARE(spinBox->text(), QStringLiteral("+7"));
        QCOMPARE(announced.count(), 1);
        doubleClick();
        typeAndPress(QStringLiteral("-2"), Qt::Key_Return);
        QCOMPARE(spinBox->text(), QStringLiteral("-2"));
        QCOMPARE(spinBox->currentValue(), -2);
        QCOMPARE(announced.count(), 2);
    }

private:
    static void controlClick(QWidget* widget)
    {
        QTest::mouseClick(widget, Qt::LeftButton, Qt::ControlModifier, widget->rect().center());
    }

    void doubleClick()
    {
        QTest::mouseDClick(spinBox, Qt::LeftButton, Qt::NoModifier, spinBox->rect().center());
    }

    // Whether a right click opens a menu; whileOpen runs while it is up.
    bool rightClickOpensMenu(QWidget* target, QPoint at, const std::function<void()>& whileOpen = nullptr)
    {
        bool shown = false;
        QTimer::singleShot(0, this, [&] {
            if (QWidget* popup = QApplication::activePopupWidget()) {
                shown = true;
                if (whileOpen)
                    whileOpen();
                popup->close();
            }
        });
        QTest::mouseClick(target, Qt::RightButton, Qt::NoModifier, at);
        QTest::qWait(20);
        return shown;
    }

    void typeAndPress(const QString& text, Qt::Key key)
    {
        QTest::keyClicks(spinBox, text);
        QTest::keyClick(spinBox, key);
    }

    void bind()
    {
        spinBox->setId(LevelId);
        QCOMPARE(spinBox->connectModel(model.get()), 0);
        recorder.ids.clear();
    }

    // The text field of the spin box (its accessor is protected).
    QLineEdit* edit() const { return spinBox->findChild<QLineEdit*>(); }

    std::unique_ptr<QWidget> window;
    SpinBox* spinBox = nullptr;
    QLineEdit* other = nullptr;
    std::unique_ptr<Model> model;
    ChangeRecorder recorder;
};

VANTEL_WIDGET_TEST_MAIN(SpinBoxTest)
#include "SpinBoxTest.moc"
