#include "VantelMidiModel.h"

#include "KnobModeTarget.h"

#include <QObject>

#include <algorithm>

VantelMidiModel::VantelMidiModel() : Model(), VantelMidiParameters(this) {}

VantelMidiModel::~VantelMidiModel() = default;

void VantelMidiModel::notify(qint32 id)
{
    if (id == ParamKnobMode) {
        // Dials switch before anyone else hears of the change, so a receiver that inspects a dial
        // already sees the new mode.
        const qint32 mode = getValue(ParamKnobMode);
        const QVector<DialEntry> snapshot = dials;
        for (const DialEntry& d : snapshot)
            if (d.object)
                d.target->setKnobMode(mode);
    }
    Model::notify(id);
}

qint32 VantelMidiModel::connect(ModelConnectionIF* connection)
{
    return Model::connect(connection);
}

qint32 VantelMidiModel::disconnect(ModelConnectionIF* connection)
{
    return Model::disconnect(connection);
}

void VantelMidiModel::addDial(KnobModeTarget* dial)
{
    if (!dial)
        return;
    QObject* object = dynamic_cast<QObject*>(dial);
    Q_ASSERT_X(object, "VantelMidiModel::addDial", "a dial must be a QObject");
    if (!object)
        return;
    dials.erase(std::remove_if(dials.begin(), dials.end(), [](const DialEntry& d) { return !d.object; }),
                dials.end());
    const bool known =
        std::any_of(dials.cbegin(), dials.cend(), [dial](const DialEntry& d) { return d.target == dial; });
    if (!known)
        dials.append(DialEntry{object, dial});
    dial->setKnobMode(getValue(ParamKnobMode));
}

void VantelMidiModel::removeDial(KnobModeTarget* dial)
{
    dials.erase(std::remove_if(dials.begin(), dials.end(),
                               [dial](const DialEntry& d) { return !d.object || d.target == dial; }),
                dials.end());
}

bool VantelMidiModel::isModified() const
{
    return getValue(ParamModified) != 0;
}

void VantelMidiModel::setModified(qint32 value)
{
    if (modifiedLockCount == 0)
        setValue(ParamModified, value);
}

void VantelMidiModel::lockModified()
{
    ++modifiedLockCount;
}

void VantelMidiModel::unlockModified()
{
    if (modifiedLockCount > 0)
        --modifiedLockCount;
}
