#ifndef TDF_SEGMENTED_ARRAY_H
#define TDF_SEGMENTED_ARRAY_H

// A growable array of plain values in segments that double in size, each
// as large as all before it: growing never moves what the array holds (a
// vector copies it all, and holds both copies for a moment), and a large
// segment takes memory page by page as it fills. Shrinking keeps the
// segments for the next elements until shrinkToFit. The end is kept at
// hand, so that working at it costs no more than in a vector.

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

namespace tdf::internal {

template <class T>
class SegmentedArray {
    static_assert(std::is_trivially_copyable<T>::value && std::is_trivially_destructible<T>::value &&
                      alignof(T) <= alignof(std::max_align_t),
                  "segments hold plain values");

public:
    SegmentedArray() = default;
    SegmentedArray(const SegmentedArray&) = delete;
    SegmentedArray& operator=(const SegmentedArray&) = delete;

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    T& operator[](std::size_t i)
    {
        const unsigned segment = segmentOf(i);
        return segments_[segment][i - startOf(segment)];
    }
    // The last element: the end is never at the start of a segment unless
    // the array is empty.
    T& back() { return end_[-1]; }

    void push_back(const T& value)
    {
        if (end_ == segmentEnd_)
            enterSegment(segmentOf(size_));
        new (end_++) T(value);
        ++size_;
    }
    void pop_back()
    {
        --size_;
        if (--end_ == segmentBegin_ && size_ > 0)
            placeEnd();
    }
    // Keeps the first `count` elements (no more than there are).
    void truncate(std::size_t count)
    {
        size_ = count;
        placeEnd();
    }
    // Frees the segments that hold no element.
    void shrinkToFit()
    {
        for (unsigned segment = size_ == 0 ? 0 : segmentOf(size_ - 1) + 1; segment < segmentCount; ++segment)
            segments_[segment].reset();
        placeEnd();
    }

private:
    static constexpr unsigned firstShift = 4;  // the first segment holds 16 elements
    static constexpr unsigned segmentCount = sizeof(std::size_t) * 8 - firstShift + 1;

    // Segment 0 holds elements 0 to 15; segment s > 0 those from 16 << (s - 1).
    static unsigned segmentOf(std::size_t i)
    {
        const std::size_t scaled = i >> firstShift;
        return scaled == 0 ? 0 : unsigned(sizeof(unsigned long long) * 8) - unsigned(__builtin_clzll(scaled));
    }
    static std::size_t startOf(unsigned segment)
    {
        return segment == 0 ? 0 : std::size_t(1) << (firstShift + segment - 1);
    }

    // Makes the end the start of `segment`, allocated when it is new.
    void enterSegment(unsigned segment)
    {
        const std::size_t capacity = startOf(segment + 1) - startOf(segment);
        if (!segments_[segment])
            segments_[segment].reset(allocate(capacity));
        end_ = segmentBegin_ = segments_[segment].get();
        segmentEnd_ = end_ + capacity;
    }

    // Places the end after the last element, in its segment.
    void placeEnd()
    {
        if (size_ == 0) {
            end_ = segmentBegin_ = segmentEnd_ = nullptr;
            return;
        }
        const unsigned segment = segmentOf(size_ - 1);
        segmentBegin_ = segments_[segment].get();
        end_ = segmentBegin_ + (size_ - startOf(segment));
        segmentEnd_ = segmentBegin_ + (startOf(segment + 1) - startOf(segment));
    }

    // Left unwritten until it holds elements, so that its pages are not
    // touched before.
    static T* allocate(std::size_t count)
    {
        void* storage = std::malloc(count * sizeof(T));
        if (!storage)
            throw std::bad_alloc();
        return static_cast<T*>(storage);
    }
    struct Free {
        void operator()(T* segment) const { std::free(segment); }
    };

    std::unique_ptr<T[], Free> segments_[segmentCount];
    // After the last element, and the segment it is in.
    T* end_ = nullptr;
    T* segmentBegin_ = nullptr;
    T* segmentEnd_ = nullptr;
    std::size_t size_ = 0;
};

}

#endif
