#ifndef STORE_SPARSE_COLUMN_H
#define STORE_SPARSE_COLUMN_H

// A column of plain numbers that are mostly one value (none: no link, no
// owner), written in order and read anywhere: only the other values are
// kept, with their places, and for each block of 1024 places where its
// values begin. A long trace whose events seldom carry such a value pays
// well under a byte an event for the column instead of four; one where
// every event does pays six.

#include "chunked_column.h"

#include <cstddef>
#include <cstdint>

namespace store {

template <class T>
class SparseColumn {
public:
    explicit SparseColumn(T usual) : usual_(usual) {}

    std::size_t size() const { return size_; }

    void push_back(const T& value)
    {
        if ((size_ & mask) == 0)
            blockStart_.push_back(static_cast<std::uint32_t>(places_.size()));
        if (!(value == usual_)) {
            places_.push_back(static_cast<std::uint16_t>(size_ & mask));
            values_.push_back(value);
        }
        ++size_;
    }

    T operator[](std::size_t i) const
    {
        const std::size_t block = i >> shift;
        std::size_t low = blockStart_[block];
        const std::size_t end = block + 1 < blockStart_.size() ? blockStart_[block + 1] : places_.size();
        std::size_t high = end;
        const auto place = static_cast<std::uint16_t>(i & mask);
        // The places of a block ascend.
        while (low < high) {
            const std::size_t middle = low + (high - low) / 2;
            if (places_[middle] < place)
                low = middle + 1;
            else
                high = middle;
        }
        return low < end && places_[low] == place ? values_[low] : usual_;
    }

private:
    static constexpr unsigned shift = 10;
    static constexpr std::size_t mask = (std::size_t(1) << shift) - 1;

    T usual_;
    std::size_t size_ = 0;
    ChunkedColumn<std::uint32_t> blockStart_;  // events fit 32 bits
    ChunkedColumn<std::uint16_t> places_;      // within the block
    ChunkedColumn<T> values_;
};

}

#endif
