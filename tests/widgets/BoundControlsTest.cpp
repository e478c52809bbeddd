#include "WidgetTestSupport.h"

#include "CheckBox.h"
#include "ComboBox.h"
#include "Model.h"
#include "PushButton.h"

#include <QVBoxLayout>

#include <memory>

namespace {

const qint32 SwitchId = 20;
const qint32 ModeId = 21;
const qint32 SingleId = 22;
const qint32 PortId = 23;

QString modeText(qint32 value, qint32* error)
{
    static const char* const names[] = {"Off", "Low", "Mid", "High"};
    if (value < 0 || value > 3) {
        if (error)
            *error = 1;
        return QString();
    }
    if (error)
        *error = 0;
    return QString::fromLatin1(names[value]);
}

} // namespace

class BoundControlsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        model = std::make_unique<Model>();
        model->registerParameter(SwitchId, 0, 1, 0, QStringLiteral("Switch"));
        model->registerParameter(ModeId, 0, 3, 1, QStringLiteral("Mode"), &modeText);
        model->registerParameter(SingleId, 0, 0, 0, QStringLiteral("Single"));
        model->registerParameter(PortId, 0, 2147483647, 0, QStringLiteral("Port"));
        recorder.ids.clear();
        model->addAssistant(&recorder);

        window = std::make_unique<QWidget>();
        layout = new QVBoxLayout(window.get());
        window->resize(240, 300);
        QVERIFY(showActive(window.get()));
    }

    void cleanup()
    {
        window.reset();
        model->removeAssistant(&recorder);
        model.reset();
    }

    // Check boxes and checkable push buttons bound to one switch: a click writes once, the twin and
    // any change in the store show (any value but 0 checks), the keyboard toggles like a click.
    void checkableButtonsFollowEachOther()
    {
        followEachOther(bound(new CheckBox(QStringLiteral("First")), SwitchId),
                        bound(new CheckBox(QStringLiteral("Second")), SwitchId));
        followEachOther(bound(checkable(new PushButton(QStringLiteral("Hold"))), SwitchId),
                        bound(checkable(new PushButton(QStringLiteral("Hold too"))), SwitchId));
    }

    void unconnectedControlsAreLocal()
    {
        auto* box = add(new CheckBox(QStringLiteral("Local")));
        auto* button = add(checkable(new PushButton(QStringLiteral("Local"))));
        box->setId(SwitchId);
        button->setId(SwitchId);
        QTest::qWait(10);
        press(box);
        press(button);
        QVERIFY(box->isChecked() && button->isChecked());
        QCOMPARE(model->getValue(SwitchId), 0);
        QCOMPARE(recorder.ids.count(), 0);

        // Disconnected after use: back to local behaviour.
        box->connectModel(model.get());
        QVERIFY(!box->isChecked());
        box->disconnectModel();
        press(box);
        QVERIFY(box->isChecked());
        QCOMPARE(model->getValue(SwitchId), 0);
    }

    void comboBoxFillsWithValueTextsAndWritesIndex()
    {
        model->setValue(ModeId, 2);
        recorder.ids.clear();
        auto* box = bound(new ComboBox, ModeId);
        auto* twin = bound(new ComboBox, ModeId);
        QCOMPARE(itemTexts(box), (QStringList{"Off", "Low", "Mid", "High"}));
        QCOMPARE(box->currentText(), QStringLiteral("Mid"));
        // Only the store's announcements of the new connections: filling wrote nothing back.
        QCOMPARE(recorder.count(ModeId), 2);

        // One write per change; the twin follows, and its echo writes nothing.
        QTest::qWait(10);
        recorder.ids.clear();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(model->getValue(ModeId), 3);
        QCOMPARE(twin->currentText(), QStringLiteral("High"));
        QTest::keyClick(box, Qt::Key_Up);
        QTest::keyClick(box, Qt::Key_Up);
        QCOMPARE(model->getValue(ModeId), 1);
        QCOMPARE(twin->currentIndex(), 1);
        QCOMPARE(recorder.count(ModeId), 3);

        // Connecting again does not add the texts twice.
        box->disconnectModel();
        QCOMPARE(box->count(), 4);
        box->connectModel(model.get());
        QCOMPARE(itemTexts(box), (QStringList{"Off", "Low", "Mid", "High"}));
        QCOMPARE(box->currentIndex(), 1);
        // The store does not clamp. The box shows no item, and must not write its "no item" index
        // back over the value.
        model->setValue(ModeId, 9);
        QCOMPARE(box->currentIndex(), -1);
        QCOMPARE(model->getValue(ModeId), 9);
    }

    // A parameter with a single value, or with the widest range, gives the box no texts of its own.
    void comboBoxWithWidestRangeIsFilledByView()
    {
        auto* single = bound(new ComboBox, SingleId);
        model->setValue(SingleId, 1);
        QCOMPARE(single->count(), 0);
        QCOMPARE(single->currentIndex(), -1);
        QCOMPARE(model->getValue(SingleId), 1);

        const QStringList ports{QStringLiteral("Not Connected"), QStringLiteral("Device A"),
                                QStringLiteral("Device B")};
        model->setValue(PortId, 1);
        auto* box = bound(new ComboBox, PortId);
        QCOMPARE(box->count(), 0);

        // The owning view lists the ports; from then on the box follows and writes the value.
        box->replaceItems(ports);
        QCOMPARE(model->getValue(PortId), 1);
        QCOMPARE(box->currentIndex(), 1);
        recorder.ids.clear();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE(model->getValue(PortId), 2);
        QCOMPARE(recorder.count(PortId), 1);

        // Filling before connecting works as well.
        auto* early = add(new ComboBox);
        early->addItems(ports);
        early->setId(PortId);
        early->connectModel(model.get());
        QCOMPARE(early->count(), 3);
        QCOMPARE(early->currentIndex(), 2);
        QCOMPARE(model->getValue(PortId), 2);
    }

private:
    // On the indicator: a check box takes clicks on its indicator and text only.
    static void press(QCheckBox* box)
    {
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
    }
    static void press(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    static PushButton* checkable(PushButton* button)
    {
        button->setCheckable(true);
        return button;
    }

    template <typename Button> void followEachOther(Button* first, Button* second)
    {
        QTest::qWait(10);
        recorder.ids.clear();
        press(first);
        QCOMPARE(model->getValue(SwitchId), 1);
        QVERIFY(first->isChecked() && second->isChecked());
        press(second);
        QCOMPARE(model->getValue(SwitchId), 0);
        QVERIFY(!first->isChecked() && !second->isChecked());
        QCOMPARE(recorder.count(SwitchId), 2);
        model->setValue(SwitchId, 5);
        QVERIFY(first->isChecked() && second->isChecked());
        first->setFocus();
        QTest::keyClick(first, Qt::Key_Space);
        QCOMPARE(model->getValue(SwitchId), 0);
        QVERIFY(!second->isChecked());
    }

    template <typename T> T* add(T* widget)
    {
        layout->addWidget(widget);
        widget->show();
        return widget;
    }
    // Added to the window and bound to id.
    template <typename T> T* bound(T* widget, qint32 id)
    {
        add(widget)->setId(id);
        widget->connectModel(model.get());
        return widget;
    }

    std::unique_ptr<Model> model;
    std::unique_ptr<QWidget> window;
    QVBoxLayout* layout = nullptr;
    ChangeRecorder recorder;
};

VANTEL_WIDGET_TEST_MAIN(BoundControlsTest)
#include "BoundControlsTest.moc"
