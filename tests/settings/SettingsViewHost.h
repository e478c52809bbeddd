#pragma once

// A stand-in for the main window in the settings view tests: a scripted host with device lists the
// test sets, ports that remember their device, devices that refuse to open, and a record of every
// port operation. Nothing is sent; error messages are recorded instead of shown. Also the checks
// every settings view shares.

#include "../widgets/WidgetTestSupport.h"

#include "ViewHost.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDataStream>
#include <QStringList>

// Opens the combo box's list with a click, walks to the item with the arrow keys and takes it with
// Return, like a user. (A quick click on the row that opened under the pointer is taken for the
// end of the click that opened the list.)
inline void chooseItem(QComboBox* box, int item)
{
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, box->rect().center());
    QAbstractItemView* list = box->view();
    QVERIFY(QTest::qWaitForWindowExposed(list->window()));
    const int from = list->currentIndex().row();
    for (int row = from; row < item; ++row)
        QTest::keyClick(list, Qt::Key_Down);
    for (int row = from; row > item; --row)
        QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(!list->isVisible());
}

class SettingsViewHost : public ViewHost
{
public:
    struct Direction
    {
        QStringList devices;
        QStringList refused; // names of devices that fail to open
        QString current[2];  // device name per port; empty: not connected
    };

    Direction inputs;
    Direction outputs;
    QStringList calls; // "open in 0 2": operation, port, device index (-1: none)
    QStringList errors;

    static constexpr const char* NotConnected = "Not Connected";

    QMdiSubWindow* openEditView(qint32, const QSize&, const QString&) override { return nullptr; }
    void releaseKeyboardKeys() override {}
    bool isLoadingProject() const override { return false; }
    void showErrorMessage(const QString& text) override { errors.append(text); }

    bool sendToOutputPorts(const quint8*, quint32, quint8, quint32, bool, bool, quint64, bool,
                           quint32*) override
    {
        return false;
    }

    bool openInputPort(quint32 port, quint32 deviceIndex) override
    {
        return open(inputs, QStringLiteral("open in"), port, deviceIndex);
    }
    bool openOutputPort(quint32 port, quint32 deviceIndex) override
    {
        return open(outputs, QStringLiteral("open out"), port, deviceIndex);
    }
    bool closeInputPort(quint32 port) override { return close(inputs, QStringLiteral("close in"), port); }
    bool closeOutputPort(quint32 port) override { return close(outputs, QStringLiteral("close out"), port); }
    void inputPortChoices(quint32 port, QStringList* choices, qint32* index) override
    {
        listChoices(inputs, port, choices, index);
    }
    void outputPortChoices(quint32 port, QStringList* choices, qint32* index) override
    {
        listChoices(outputs, port, choices, index);
    }
    QString inputPortName(quint32 port) const override { return name(inputs, port); }
    QString outputPortName(quint32 port) const override { return name(outputs, port); }

private:
    bool open(Direction& direction, const QString& what, quint32 port, quint32 deviceIndex)
    {
        calls.append(QStringLiteral("%1 %2 %3").arg(what).arg(port).arg(qint32(deviceIndex)));
        direction.current[port].clear();
        if (deviceIndex == NoDevice)
            return true;
        const QString device = direction.devices.value(int(deviceIndex));
        if (device.isEmpty() || direction.refused.contains(device)) {
            errors.append(QStringLiteral("Port open failed."));
            return false;
        }
        direction.current[port] = device;
        return true;
    }

    bool close(Direction& direction, const QString& what, quint32 port)
    {
        calls.append(QStringLiteral("%1 %2 -1").arg(what).arg(port));
        const bool wasOpen = !direction.current[port].isEmpty();
        direction.current[port].clear();
        return wasOpen;
    }

    static void listChoices(const Direction& direction, quint32 port, QStringList* choices, qint32* index)
    {
        const QStringList list = QStringList(QLatin1String(NotConnected)) + direction.devices;
        if (choices != nullptr)
            *choices = list;
        if (index != nullptr)
            *index = direction.current[port].isEmpty()
                         ? 0
                         : qMax(0, int(list.indexOf(direction.current[port], 1)));
    }

    static QString name(const Direction& direction, quint32 port)
    {
        return direction.current[port].isEmpty() ? QLatin1String(NotConnected) : direction.current[port];
    }
};

// The settings views store nothing of their own in a project: an empty block, read back as one.
template <typename View> void checkEmptyProjectBlock(View* view)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    QVERIFY(view->writeToStream(out));
    QVERIFY(bytes.isEmpty());
    QDataStream in(bytes);
    QVERIFY(view->readFromStream(in));
}
