#include "PortMenus.h"

#include "MidiHub.h"
#include "VantelMidiModel.h"
#include "VantelMidiParameterId.h"
#include "ViewHost.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

PortMenus::PortMenus(QMenuBar* menuBar, MidiHub* aHub, VantelMidiModel* aModel, ViewHost* aHost,
                     QObject* parent)
    : QObject(parent), hub(aHub), model(aModel), host(aHost)
{
    inputPortMenu = menuBar->addMenu(tr("&InputPort"));
    outputPortMenu = menuBar->addMenu(tr("&OutputPort"));
    connect(inputPortMenu, &QMenu::aboutToShow, this, [this] { rebuild(true); });
    connect(inputPortMenu, &QMenu::triggered, this, [this](QAction* action) { select(true, action); });
    connect(outputPortMenu, &QMenu::aboutToShow, this, [this] { rebuild(false); });
    connect(outputPortMenu, &QMenu::triggered, this, [this](QAction* action) { select(false, action); });
}

void PortMenus::rebuild(bool input)
{
    QMenu* menu = input ? inputPortMenu : outputPortMenu;
    if (!menu)
        return;
    menu->clear();
    // The entries belong to the group, the group to the menu: dropping the old group drops them.
    const QList<QActionGroup*> oldGroups =
        menu->findChildren<QActionGroup*>(QString(), Qt::FindDirectChildrenOnly);
    qDeleteAll(oldGroups);

    qint32 position = 0;
    // A port whose device is no longer listed is closed here; its parameter keeps its value until
    // the next choice.
    const QStringList choices =
        input ? hub->inputPortChoices(0, &position, true) : hub->outputPortChoices(0, &position, true);
    auto* group = new QActionGroup(menu);
    group->setExclusive(true);
    for (int i = 0; i < choices.size(); ++i) {
        auto* action = new QAction(choices.at(i), group);
        action->setCheckable(true);
        action->setData(i == 0 ? ViewHost::NoDevice : quint32(i - 1));
    }
    // A chosen device that has gone stays chosen: the port reopens on it when it comes back. It
    // is listed, checked and marked, so that the menu says what the port waits for.
    const QString chosen = input ? hub->chosenInputDevice(0) : hub->chosenOutputDevice(0);
    const bool present = input ? hub->inputDevicePresent(0) : hub->outputDevicePresent(0);
    if (!chosen.isEmpty() && !present) {
        auto* absent = new QAction(tr("%1 (absent)").arg(chosen), group);
        absent->setCheckable(true);
        absent->setEnabled(false);
        absent->setData(AbsentDevice);
        position = int(group->actions().size()) - 1;
    }
    const QList<QAction*> actions = group->actions();
    actions.value(position, actions.first())->setChecked(true);
    menu->addActions(actions);
    if (input)
        Q_EMIT inputListUpdated();
    else
        Q_EMIT outputListUpdated();
}

void PortMenus::select(bool input, QAction* action)
{
    const quint32 deviceIndex = action->data().toUInt();
    if (deviceIndex == AbsentDevice)
        return;
    const bool opened = input ? host->openInputPort(0, deviceIndex) : host->openOutputPort(0, deviceIndex);
    const qint32 value = opened && deviceIndex != ViewHost::NoDevice ? qint32(deviceIndex + 1) : 0;
    model->setValue(input ? ParamInputPortIndex : ParamOutputPortIndex, value);
}
