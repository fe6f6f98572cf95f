#pragma once

#include "input/ParsedLine.h"

#include <cstddef>

namespace velmora {

/// The lines a walk may take in one round, as something read them ahead of it (engine/walk/ReadAheadParser):
/// from the round's first line up to its clean end each line has its record, and its volume when volumes are
/// read; at the clean end stands a line that reading refused, which the walk reads itself, from the date memo
/// held before it. The reading sets the round; the walk only takes.
///
/// No virtual call: the walk takes every line of a file through take(), which stays inside its loop.
class LineFeed
{
public:
    /// The record of line p (within the round), or nullptr for the refused line, with memo set to the date
    /// memo the walk holds before it.
    const ParsedLine* take(std::size_t p, DateMemo& memo) const
    {
        if (p < m_round.clean) {
            return m_round.records + (p - m_round.first);
        }
        memo = *m_round.memoBeforeStop;
        return nullptr;
    }

    /// The volume of line p, for a feed that reads volumes, where take(p) gave a record.
    const LineVolume& volumeOf(std::size_t p) const { return m_round.volumes[p - m_round.first]; }

protected:
    /// One round: records (and volumes, or null) of lines first to clean, and the memo before the line at
    /// clean, which must stay where it is until the next round.
    struct Round
    {
        std::size_t first = 0;
        std::size_t clean = 0;
        const ParsedLine* records = nullptr;
        const LineVolume* volumes = nullptr;
        const DateMemo* memoBeforeStop = nullptr;
    };

    LineFeed() = default;
    ~LineFeed() = default;

    void setRound(const Round& round) { m_round = round; }

private:
    Round m_round;
};

} // namespace velmora
