#include "key_index.h"

#include "internal/flat_index.h"

struct KeyIndex::Table : tdf::internal::FlatMap<void*> {
    using FlatMap::FlatMap;
};

KeyIndex::~KeyIndex()
{
    delete table_;
}

void* KeyIndex::find(unsigned long long key) const
{
    return table_ ? table_->find(key) : nullptr;
}

void*& KeyIndex::at(unsigned long long key)
{
    if (!table_)
        table_ = new Table(firstCapacity_);
    return table_->at(key);
}

void KeyIndex::clear()
{
    if (table_)
        table_->clear();
}
