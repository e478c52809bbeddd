#include "MidiBulkIntervalManager.h"

#include "Model.h"
#include "VantelMidiParameterId.h"

#include <QThread>

MidiBulkIntervalManager::MidiBulkIntervalManager(Model* model) : m_model(model)
{
    m_interval = m_model->getValue(ParamBulkInterval);
    m_enabled = m_model->getValue(ParamParser) > 0;
    m_model->addAssistant(this);
    m_stopwatch.start();
}

MidiBulkIntervalManager::~MidiBulkIntervalManager()
{
    m_model->removeAssistant(this);
}

void MidiBulkIntervalManager::parameterChanged(qint32 id)
{
    if (id == ParamBulkInterval)
        m_interval = m_model->getValue(ParamBulkInterval);
    else if (id == ParamParser)
        m_enabled = m_model->getValue(ParamParser) != 0;
}

void MidiBulkIntervalManager::setActive(bool active)
{
    m_interval = active ? m_model->getValue(ParamBulkInterval) : 0;
}

void MidiBulkIntervalManager::pauseAfter(const quint8* bytes, quint32 length)
{
    const qint32 interval = m_interval.load();
    if (!m_enabled.load() || !bytes || length == 0 || bytes[length - 1] != 0xF7 || interval < 1)
        return;
    ++m_pauses;
    const qint64 end = m_stopwatch.nsecsElapsed() + qint64(interval) * 1000000;
    for (;;) {
        const qint64 left = end - m_stopwatch.nsecsElapsed();
        if (left <= 0)
            return;
        if (left > 1500000)
            QThread::usleep(static_cast<unsigned long>((left - 1000000) / 1000));
        else
            QThread::yieldCurrentThread();
    }
}

qint32 MidiBulkIntervalManager::interval() const
{
    return m_interval.load();
}

bool MidiBulkIntervalManager::isEnabled() const
{
    return m_enabled.load();
}

quint64 MidiBulkIntervalManager::pauseCount() const
{
    return m_pauses.load();
}
