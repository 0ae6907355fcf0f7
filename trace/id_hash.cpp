// The tables by number that the library uses, made here once for all.

#include "id_hash.h"

#include "internal/hash_index.h"
#include "tdf.h"
#include "tdf_db.h"
#include "tdf_objects.h"

template <class T, auto Key>
struct IdHash<T, Key>::Index : tdf::internal::HashIndex<T> {
    using tdf::internal::HashIndex<T>::HashIndex;
};

template <class T, auto Key>
IdHash<T, Key>::IdHash(unsigned bucketCount, std::size_t firstIndexCapacity)
    : Hash<T*>(bucketCount), index_(std::make_unique<Index>(firstIndexCapacity))
{
}

template <class T, auto Key>
IdHash<T, Key>::~IdHash() = default;

template <class T, auto Key>
unsigned IdHash<T, Key>::code(T* value)
{
    return unsigned(value->*Key % this->size);
}

template <class T, auto Key>
typename IdHash<T, Key>::Node* IdHash<T, Key>::intern(T* value, bool* isNew)
{
    return index_->intern(value, value->*Key, isNew, [this](T* added) { return this->linkFront(added); });
}

template <class T, auto Key>
void IdHash<T, Key>::clean()
{
    Hash<T*>::clean();
    index_->clear();
}

template <class T, auto Key>
T* IdHash<T, Key>::search(unsigned long long number) const
{
    return index_->newest(number);
}

template <class T, auto Key>
void IdHash<T, Key>::remove(T* value)
{
    if (Node* node = index_->remove(value, value->*Key))
        this->unlinkNode(node);
}

template class IdHash<TDFInstance, &TDFInstance::id>;
template class IdHash<TDFDBMessage, &TDFDBMessage::id>;
template class IdHash<TDF_USE_DBTraceId, &TDF_USE_DBTraceId::number>;
