#include "DeviceMatcher.h"

#include "HostMidiService.h"

namespace {

QString listing(const QStringList& names)
{
    if (names.isEmpty())
        return QStringLiteral(" (none)");
    QString text;
    for (const QString& name : names)
        text += QStringLiteral("\n  ") + name;
    return text;
}

} // namespace

QString DeviceMatcher::match(const QStringList& devices, const QString& wanted, const QString& kind,
                             QString* error)
{
    if (devices.contains(wanted))
        return wanted;
    QStringList found;
    for (const QString& name : devices) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0)
            found.append(name);
    }
    if (found.isEmpty()) {
        for (const QString& name : devices) {
            if (!wanted.isEmpty() && name.contains(wanted, Qt::CaseInsensitive))
                found.append(name);
        }
    }
    if (found.size() == 1)
        return found.first();
    if (found.isEmpty())
        *error = QStringLiteral("no %1 device matches \"%2\"; the %1 devices are:%3")
                     .arg(kind, wanted, listing(devices));
    else
        *error =
            QStringLiteral("\"%1\" matches more than one %2 device:%3").arg(wanted, kind, listing(found));
    return QString();
}

QStringList DeviceMatcher::names(HostMidiService* service, bool input)
{
    QStringList list;
    for (const HostMidiDevice& device : input ? service->inputDevices() : service->outputDevices())
        list.append(device.name);
    return list;
}

QString DeviceMatcher::find(HostMidiService* service, bool input, const QString& wanted, QString* error)
{
    return match(names(service, input), wanted, input ? QStringLiteral("input") : QStringLiteral("output"),
                 error);
}
