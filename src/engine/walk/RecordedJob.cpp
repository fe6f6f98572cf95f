#include "engine/walk/RecordedJob.h"

#include "platform/RunError.h"

namespace velmora {

RecordedJob::RecordedJob(const Start& start)
    : m_entry(start.entry), m_startEntry(start.entry), m_window(start.window), m_startSeparators(start.separators),
      m_separators(start.separators), m_serial(start.sourceSerial), m_dates{m_separators, m_host, start.currentYear},
      m_env{m_host,
            m_dates,
            [this](std::size_t line) { m_host.hook(line); },
            m_output.spiller(),
            start.frontEnd,
            start.givesUpUnreadable},
      m_walk{{m_entry, m_window, m_env, m_output.bytes(), start.seed}, true}
{
    m_output.start(start.plannedTarget);
}

void RecordedJob::writeWith(std::unique_ptr<BarWriter> writer)
{
    m_writer = std::move(writer);
    m_walk.writer = m_writer.get();
}

void RecordedJob::complete()
{
    if (m_walk.ended == WalkEnd::Finished) {
        if (m_writer != nullptr) {
            m_output.replaceFront(m_writer->front());
        }
        m_output.complete();
    }
}

bool RecordedJob::standsFor(const TimeframeEntry& now, const DateSeparators& separatorsNow,
                            std::uint64_t serialNow) const
{
    return m_walk.ended != WalkEnd::Abandoned && m_host.usable() && serialNow == m_serial && now == m_startEntry &&
           separatorsNow.output == m_startSeparators.output &&
           (!m_walk.readsStartSeparator || separatorsNow.input == m_startSeparators.input);
}

void RecordedJob::playBack(RunHost& host, const std::function<void(std::size_t)>& hook, TimeframeEntry& entry,
                           DateSeparators& separators)
{
    m_host.replay(host, hook);
    separators = m_separators;
    entry = m_entry;
    if (m_walk.ended == WalkEnd::Failed) {
        throw RunError(m_walk.error);
    }
}

} // namespace velmora
