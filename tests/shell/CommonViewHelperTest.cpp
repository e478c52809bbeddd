#include "CommonViewHelper.h"
#include "CheckBox.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"

#include <QGroupBox>
#include <QVBoxLayout>
#include <QtTest>

// A settings-like view: controls at several depths, one left unbound on purpose.
class SettingsLikeView : public QWidget, public CommonViewHelper
{
public:
    explicit SettingsLikeView(VantelMidiModel* aModel) : CommonViewHelper(aModel)
    {
        auto* layout = new QVBoxLayout(this);
        top = new CheckBox(QStringLiteral("Time"), this);
        top->setId(ParamTimeStamp);
        layout->addWidget(top);
        auto* group = new QGroupBox(this);
        auto* inner = new QVBoxLayout(group);
        nested = new CheckBox(QStringLiteral("Details"), group);
        nested->setId(ParamMessageDetail);
        inner->addWidget(nested);
        unbound = new CheckBox(QStringLiteral("Unbound"), group);
        inner->addWidget(unbound);
        layout->addWidget(group);
        connectControls(this);
    }

    CheckBox* top;
    CheckBox* nested;
    CheckBox* unbound;
};

class CommonViewHelperTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bindsEveryControlWithAnIdAtAnyDepth()
    {
        VantelMidiModel model;
        SettingsLikeView view(&model);
        view.show();
        QVERIFY(view.top->isConnected());
        QVERIFY(view.nested->isConnected());
        QVERIFY(!view.unbound->isConnected());

        // Bound both ways: the model moves the boxes, a click moves the model.
        model.setValue(ParamTimeStamp, 1);
        model.setValue(ParamMessageDetail, 1);
        QVERIFY(view.top->isChecked());
        QVERIFY(view.nested->isChecked());
        QTest::mouseClick(view.nested, Qt::LeftButton, {}, QPoint(5, view.nested->height() / 2));
        QCOMPARE(model.getValue(ParamMessageDetail), 0);
        // The unbound box is a plain check box.
        QTest::mouseClick(view.unbound, Qt::LeftButton, {}, QPoint(5, view.unbound->height() / 2));
        QVERIFY(view.unbound->isChecked());

        // Without a root or a model nothing is bound, and nothing breaks.
        view.connectControls(nullptr);
        CommonViewHelper noModel(nullptr);
        CheckBox box;
        box.setId(ParamTimeStamp);
        noModel.connectControls(&box);
        QVERIFY(!box.isConnected());
    }
};

QTEST_MAIN(CommonViewHelperTest)
#include "CommonViewHelperTest.moc"
