#include "SettingsFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString portNameGroup = QStringLiteral("PortName");

} // namespace

QString SettingsFile::path()
{
    const QString appData = QStandardPaths::standardLocations(QStandardPaths::AppDataLocation).value(0);
    if (appData.isEmpty())
        return QString();
    const QString folder = QDir::cleanPath(appData);
    const QString parent = QFileInfo(folder).path();
    if (parent.isEmpty() || parent == folder || parent == QLatin1String("."))
        return QString();
    return parent + QStringLiteral("/TESSIK/Vantel MIDI/VantelMIDI.ini");
}

void SettingsFile::makeFolder()
{
    const QString file = path();
    if (!file.isEmpty())
        QDir().mkpath(QFileInfo(file).absolutePath());
}

bool SettingsFile::hasSavedWindowPositions()
{
    const QString file = path();
    if (file.isEmpty())
        return false;
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("SavePosition"));
    return !settings.childKeys().isEmpty();
}

QString SettingsFile::portNameKey(bool input, quint32 port)
{
    if (input)
        return port == 0 ? QStringLiteral("InputPortName") : QStringLiteral("InputPortNameSecond");
    return port == 0 ? QStringLiteral("OutputPortName") : QStringLiteral("OutputPortNameSecond");
}

QString SettingsFile::readPortName(bool input, quint32 port)
{
    const QString file = path();
    if (file.isEmpty())
        return QString();
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(portNameGroup);
    return settings.value(portNameKey(input, port)).toString();
}

void SettingsFile::writePortName(bool input, quint32 port, const QString& name)
{
    const QString file = path();
    if (file.isEmpty())
        return;
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(portNameGroup);
    settings.setValue(portNameKey(input, port), name);
    settings.endGroup();
}
