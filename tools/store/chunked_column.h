#ifndef STORE_CHUNKED_COLUMN_H
#define STORE_CHUNKED_COLUMN_H

// A column of plain numbers in chunks of 64 Ki values: growing never
// copies what it holds (a vector copies it all, and holds both copies for
// a moment, which for the store of a long trace is a gigabyte), and a
// chunk takes memory page by page as it fills.

#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

namespace store {

template <class T>
class ChunkedColumn {
    static_assert(std::is_trivially_copyable<T>::value, "a column holds plain values");

public:
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](std::size_t i) { return chunks_[i >> shift][i & mask]; }
    const T& operator[](std::size_t i) const { return chunks_[i >> shift][i & mask]; }
    T& back() { return (*this)[size_ - 1]; }
    const T& back() const { return (*this)[size_ - 1]; }

    void push_back(const T& value)
    {
        if ((size_ & mask) == 0 && (size_ >> shift) == chunks_.size())
            chunks_.emplace_back(new T[chunkSize]);
        (*this)[size_++] = value;
    }
    // Grows to `count` values, the new ones `value` (never shrinks).
    void resize(std::size_t count, const T& value)
    {
        while (size_ < count)
            push_back(value);
    }

private:
    static constexpr unsigned shift = 16;
    static constexpr std::size_t chunkSize = std::size_t(1) << shift;
    static constexpr std::size_t mask = chunkSize - 1;
    std::vector<std::unique_ptr<T[]>> chunks_;
    std::size_t size_ = 0;
};

}

#endif
