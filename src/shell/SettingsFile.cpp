#include "SettingsFile.h"

#include "MidiControllerNames.h"
#include "ModelIF.h"
#include "VantelMidiParameterId.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <QHash>

#include <algorithm>
#include <limits>

namespace {

const QString portNameGroup = QStringLiteral("PortName");
const QString windowPositionGroup = QStringLiteral("SavePosition");

enum class ValueType
{
    Text,
    Integer,
    Switch
};

struct Key
{
    QString name;
    qint32 id;
    ValueType type;
};

QList<Key> keysOf(SettingsFile::Group group)
{
    QList<Key> keys;
    switch (group) {
    case SettingsFile::FileWorkingDirectory:
        keys = {{QStringLiteral("DumpFileWorkingDirectory"), ParamDumpFileWorkingDirectory, ValueType::Text},
                {QStringLiteral("ProjectFileWorkingDirectory"), ParamProjectFileWorkingDirectory,
                 ValueType::Text},
                {QStringLiteral("OutputLogFileWorkingDirectoryRegistryKey"),
                 ParamOutputLogFileWorkingDirectory, ValueType::Text}};
        break;
    case SettingsFile::MidiFilter: {
        for (qint32 channel = 1; channel <= 16; ++channel)
            keys.append({QString::number(channel - 1), paramFilterChannel(channel), ValueType::Switch});
        const struct
        {
            const char* name;
            qint32 id;
        } named[] = {{"Note Off", ParamFilterNoteOff},
                     {"Note On", ParamFilterNoteOn},
                     {"Key Pressure", ParamFilterKeyPressure},
                     {"Program Change", ParamFilterProgramChange},
                     {"Channel Pressure", ParamFilterChannelPressure},
                     {"Pitch Bend", ParamFilterPitchBend},
                     {"System Exclusive", ParamFilterSystemExclusive},
                     {"(F1) MIDI Time Code Quarter Frame", ParamFilterTimeCode},
                     {"(F2) Song Position Pointer", ParamFilterSongPosition},
                     {"(F3) Song Select", ParamFilterSongSelect},
                     {"(F6) Tune Request", ParamFilterTuneRequest},
                     {"(F8) Timing Clock", ParamFilterTimingClock},
                     {"(FA) Start", ParamFilterStart},
                     {"(FB) Continue", ParamFilterContinue},
                     {"(FC) Stop", ParamFilterStop},
                     {"(FE) Active Sensing", ParamFilterActiveSensing},
                     {"(FF) System Reset", ParamFilterSystemReset}};
        for (const auto& entry : named)
            keys.append({QString::fromLatin1(entry.name), entry.id, ValueType::Switch});
        for (int controller = 0; controller < MidiControllerNames::Count; ++controller)
            keys.append({MidiControllerNames::name(controller), paramFilterControlChangeNumber(controller),
                         ValueType::Switch});
        break;
    }
    case SettingsFile::MidiThru:
        keys = {{QStringLiteral("BulkInterval"), ParamBulkInterval, ValueType::Integer},
                {QStringLiteral("MidiThru"), ParamMidiThru, ValueType::Integer},
                {QStringLiteral("MidiThruSecond"), ParamMidiThruSecond, ValueType::Integer}};
        break;
    case SettingsFile::Preferences:
        keys = {{QStringLiteral("KnobMode"), ParamKnobMode, ValueType::Integer},
                {QStringLiteral("TimeStamp"), ParamTimeStamp, ValueType::Switch},
                {QStringLiteral("MessageFontSize"), ParamMessageFontSize, ValueType::Integer},
                {QStringLiteral("MessageColor"), ParamMessageColor, ValueType::Switch},
                {QStringLiteral("MessageDetail"), ParamMessageDetail, ValueType::Switch},
                {QStringLiteral("MessageMiddleC"), ParamMiddleC, ValueType::Integer},
                {QStringLiteral("MessageTimeFormat"), ParamTimeFormat, ValueType::Integer},
                {QStringLiteral("MessageParsed"), ParamParser, ValueType::Integer},
                {QStringLiteral("ProgramNumberBase"), ParamProgramNumberBase, ValueType::Integer},
                {QStringLiteral("PCKeyboardEnable"), ParamPCKeyboardEnable, ValueType::Switch},
                {QStringLiteral("PCKeyboardOctave"), ParamPCKeyboardOctave, ValueType::Integer},
                {QStringLiteral("PCKeyboardChannel"), ParamPCKeyboardChannel, ValueType::Integer},
                {QStringLiteral("PCKeyboardVelocity"), ParamPCKeyboardNoteOnVelocity, ValueType::Integer},
                {QStringLiteral("PCKeyboardNoteOffVelocity"), ParamPCKeyboardNoteOffVelocity,
                 ValueType::Integer}};
        break;
    }
    return keys;
}

QString groupName(SettingsFile::Group group)
{
    switch (group) {
    case SettingsFile::FileWorkingDirectory:
        return QStringLiteral("FileWorkingDirectory");
    case SettingsFile::MidiFilter:
        return QStringLiteral("MidiFilter");
    case SettingsFile::MidiThru:
        return QStringLiteral("MidiThru");
    case SettingsFile::Preferences:
        return QStringLiteral("Preferences");
    }
    return QString();
}

bool readInteger(const QVariant& value, qint64* number)
{
    bool ok = false;
    *number = value.toString().trimmed().toLongLong(&ok, 10);
    return ok;
}

// "true", "false" or a number (non-zero is on).
bool readSwitch(const QVariant& value, bool* on)
{
    const QString text = value.toString().trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        *on = true;
        return true;
    }
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        *on = false;
        return true;
    }
    qint64 number = 0;
    if (!readInteger(value, &number))
        return false;
    *on = number != 0;
    return true;
}

// The INI format keeps the elements of a list as texts; numbers become numbers again.
QVariant readExtraValue(const QVariant& value)
{
    if (value.userType() != QMetaType::QString)
        return value;
    qint64 number = 0;
    if (!readInteger(value, &number))
        return value;
    if (number >= std::numeric_limits<qint32>::min() && number <= std::numeric_limits<qint32>::max())
        return QVariant(qint32(number));
    return QVariant(qlonglong(number));
}

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
    settings.beginGroup(windowPositionGroup);
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

QList<QPair<QString, qint32>> SettingsFile::groupKeys(Group group)
{
    QList<QPair<QString, qint32>> pairs;
    for (const Key& key : keysOf(group))
        pairs.append({key.name, key.id});
    return pairs;
}

void SettingsFile::readGroup(ModelIF* model, Group group)
{
    const QString file = path();
    if (file.isEmpty())
        return;
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(groupName(group));
    for (const Key& key : keysOf(group)) {
        const QVariant value = settings.value(key.name);
        if (key.type == ValueType::Text) {
            if (value.isValid())
                model->setString(key.id, value.toString());
            continue;
        }
        qint32 result = model->getDefault(key.id);
        if (key.type == ValueType::Switch) {
            bool on = false;
            if (value.isValid() && readSwitch(value, &on))
                result = on ? 1 : 0;
        } else {
            qint64 number = 0;
            if (value.isValid() && readInteger(value, &number))
                result = qint32(qBound<qint64>(model->getMinimum(key.id), number, model->getMaximum(key.id)));
        }
        model->setValue(key.id, result);
    }
    settings.endGroup();
}

void SettingsFile::writeGroup(ModelIF* model, Group group)
{
    const QString file = path();
    if (file.isEmpty())
        return;
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(groupName(group));
    for (const Key& key : keysOf(group)) {
        if (key.type == ValueType::Text)
            settings.setValue(key.name, model->getString(key.id));
        else
            settings.setValue(key.name, model->getValue(key.id));
    }
    settings.endGroup();
}

QString SettingsFile::windowPositionKey(int sequence, qint32 kind, int instance)
{
    return QStringLiteral("%1-%2-%3").arg(sequence, 10, 10, QLatin1Char('0')).arg(kind).arg(instance);
}

void SettingsFile::writeWindowPositions(const QList<WindowPosition>& windows)
{
    const QString file = path();
    if (file.isEmpty())
        return;
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(windowPositionGroup);
    settings.remove(QString());
    // Several views of these kinds are told apart by their instance number.
    const auto numbered = [](qint32 kind) { return kind >= 3 && kind <= 6; };
    QHash<qint32, int> instances;
    int sequence = 0;
    for (const WindowPosition& window : windows) {
        const int instance = numbered(window.kind) ? instances[window.kind]++ : 0;
        QVariantList value{window.geometry, window.windowState, window.stayOnTop};
        value.append(window.extraValues);
        settings.setValue(windowPositionKey(sequence++, window.kind, instance), value);
    }
    settings.endGroup();
}

QList<SettingsFile::WindowPosition> SettingsFile::readWindowPositions(int* unreadable)
{
    QList<WindowPosition> windows;
    if (unreadable)
        *unreadable = 0;
    const QString file = path();
    if (file.isEmpty())
        return windows;
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(windowPositionGroup);
    QStringList keys = settings.childKeys();
    std::sort(keys.begin(), keys.end());
    for (const QString& key : qAsConst(keys)) {
        bool kindOk = false;
        WindowPosition window;
        window.kind = qint32(key.section(QLatin1Char('-'), 1, 1).toUInt(&kindOk));
        const QVariantList value = settings.value(key).toList();
        qint64 state = 0;
        if (!kindOk || value.size() < 3 || value.at(0).userType() != QMetaType::QRect ||
            !readInteger(value.at(1), &state) || !readSwitch(value.at(2), &window.stayOnTop)) {
            if (unreadable)
                ++*unreadable;
            continue;
        }
        window.geometry = value.at(0).toRect();
        window.windowState = qint32(state & 0xF);
        for (int i = 3; i < value.size(); ++i)
            window.extraValues.append(readExtraValue(value.at(i)));
        windows.append(window);
    }
    settings.endGroup();
    return windows;
}
