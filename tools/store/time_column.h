#ifndef STORE_TIME_COLUMN_H
#define STORE_TIME_COLUMN_H

// The times of a trace's events, written in order and read anywhere. Times
// follow one another closely: each block of 1024 keeps its first time, and
// each event the 32-bit difference to it, half of what the time itself
// takes. A time that lies further off (a new trace, a jump) is kept whole
// beside them.

#include "chunked_column.h"
#include "sparse_column.h"

#include <cstddef>
#include <cstdint>
#include <limits>

namespace store {

class TimeColumn {
public:
    std::size_t size() const { return offsets_.size(); }

    void push_back(unsigned long long time)
    {
        if ((size() & mask) == 0)
            bases_.push_back(time);
        const unsigned long long base = bases_.back();
        const unsigned long long distance = time >= base ? time - base : base - time;
        const bool near = distance <= static_cast<unsigned long long>(farthest);
        offsets_.push_back(near ? static_cast<std::int32_t>(static_cast<long long>(time - base)) : faraway);
        faraway_.push_back(near ? 0 : time);
    }

    unsigned long long operator[](std::size_t i) const
    {
        const std::int32_t offset = offsets_[i];
        if (offset == faraway)
            return faraway_[i];
        return bases_[i >> shift] + static_cast<unsigned long long>(static_cast<long long>(offset));
    }

private:
    static constexpr unsigned shift = 10;
    static constexpr std::size_t mask = (std::size_t(1) << shift) - 1;
    static constexpr std::int32_t faraway = std::numeric_limits<std::int32_t>::min();
    static constexpr std::int32_t farthest = std::numeric_limits<std::int32_t>::max();

    ChunkedColumn<unsigned long long> bases_;
    ChunkedColumn<std::int32_t> offsets_;
    SparseColumn<unsigned long long> faraway_{0};
};

}

#endif
