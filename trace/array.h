#ifndef TDF_ARRAY_H
#define TDF_ARRAY_H

#include <algorithm>

// A growable array. Writing through operator[] past the storage grows it to
// the next multiple of the growth step that holds the index; writing at or
// past `count` moves `count` to one past that index.

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
    ~Array() { delete[] data; }

    T& operator[](int i)
    {
        if (i >= capacity) {
            int grown = (i / growth + 1) * growth;
            T* storage = new T[grown]();
            std::copy(data, data + count, storage);
            delete[] data;
            data = storage;
            capacity = grown;
        }
        if (i >= count)
            count = i + 1;
        return data[i];
    }

    // Reads an element below `count` without changing the array.
    const T& operator[](int i) const { return data[i]; }
};

#endif
