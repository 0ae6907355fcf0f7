#ifndef TDF_ARRAY_H
#define TDF_ARRAY_H

#include <algorithm>
#include <climits>
#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>

// A growable array. Writing through operator[] past the storage grows it to
// the next multiple of the growth step that holds the index; writing at or
// past `count` moves `count` to one past that index. After the first
// `steppedGrowths` growths the storage at least doubles instead, so that an
// array filled one element at a time costs linear time however long it gets.

// A growable array of plain values, grown by writing past its end.
template <class T>
class Array {
public:
    T* data;
    int capacity;
    int growth;
    int count = 0;

    Array(int initialCapacity, int growthStep)
        : data(new T[initialCapacity]()), capacity(initialCapacity), growth(growthStep)
    {
    }
    Array(const Array&) = delete;
    Array& operator=(const Array&) = delete;
    ~Array() { releaseData(); }

    // The bytes of a block that holds an array and its first
    // `initialCapacity` elements.
    static std::size_t blockSize(int initialCapacity)
    {
        return inlineOffset() + sizeof(T) * std::size_t(initialCapacity);
    }
    // Makes an array in `block` (blockSize bytes, aligned for any type) whose
    // first storage is in the block too: one allocation instead of two, and
    // the first elements beside the count. Growth moves the elements to
    // storage of the array's own. The maker destroys the array and frees
    // the block.
    static Array* inBlock(void* block, int initialCapacity, int growthStep)
    {
        static_assert(std::is_trivially_copyable<T>::value && alignof(T) <= alignof(std::max_align_t),
                      "inline storage holds plain values");
        T* storage = reinterpret_cast<T*>(static_cast<char*>(block) + inlineOffset());
        std::uninitialized_value_construct_n(storage, initialCapacity);
        return new (block) Array(storage, initialCapacity, growthStep);
    }

    // Growths by the fixed step before the storage starts doubling.
    static constexpr int steppedGrowths = 32;

    T& operator[](int i)
    {
        if (i >= capacity) {
            int grown = (i / growth + 1) * growth;
            if (growths_ < steppedGrowths)
                ++growths_;
            else if (capacity <= INT_MAX / 2)
                grown = std::max(grown, capacity * 2);
            T* storage = new T[grown]();
            std::copy(data, data + count, storage);
            releaseData();
            data = storage;
            ownsData_ = true;
            capacity = grown;
        }
        if (i >= count)
            count = i + 1;
        return data[i];
    }

    // Reads an element below `count` without changing the array.
    const T& operator[](int i) const { return data[i]; }

private:
    // Where the inline storage starts in the block: past the array, aligned.
    static std::size_t inlineOffset() { return (sizeof(Array) + alignof(T) - 1) / alignof(T) * alignof(T); }

    Array(T* storage, int initialCapacity, int growthStep)
        : data(storage), capacity(initialCapacity), growth(growthStep), ownsData_(false)
    {
    }

    void releaseData()
    {
        if (ownsData_)
            delete[] data;
    }

    bool ownsData_ = true;       // false while the array uses its inline storage
    unsigned char growths_ = 0;  // growths so far, counted up to steppedGrowths; fills padding
};

#endif
