#ifndef TDF_FREED_INSTANCES_H
#define TDF_FREED_INSTANCES_H

// The deleted instances a streaming reader has freed while their dynamic
// id still names them, so that a later line naming the id brings an
// instance back as it was: its static instance, occurrence number and own
// name (null when the name was generated). A trace that deletes millions
// of instances keeps one of these for each id: most take 16 bytes, their
// slot in one table, which holds the static instance as its number among
// those seen and the occurrence in 32 bits; one with a name of its own, or
// with larger numbers, takes a record aside. Models are stored, never
// dereferenced.

#include "block_pool.h"
#include "flat_index.h"

#include <QString>

#include <cstdint>
#include <new>
#include <vector>

namespace tdf::internal {

template <class Model>
class FreedInstances {
public:
    struct Freed {
        Model* model;
        unsigned long long occurrence;
        QString ownName;
    };

    FreedInstances() = default;
    FreedInstances(const FreedInstances&) = delete;
    FreedInstances& operator=(const FreedInstances&) = delete;
    ~FreedInstances() { clear(); }

    // Remembers the instance freed under `id`, in place of any before.
    void remember(unsigned long long id, Model* model, unsigned long long occurrence, const QString& ownName)
    {
        std::uint64_t& slot = slots_.at(id);
        if (slot && numberIn(slot) == aside)
            forgetAside(id);
        const std::uint32_t number = ownName.isNull() && occurrence <= 0xFFFFFFFFULL ? numberOf(model) : aside;
        if (number == aside)
            records_.at(id) = new (recordMemory_.take()) Freed{model, occurrence, ownName};
        slot = inUse | std::uint64_t(number) << 32 | (number == aside ? 0 : occurrence);
    }

    // Forgets the instance freed under `id` and gives what it was; false
    // when there is none.
    bool take(unsigned long long id, Freed* freed)
    {
        const std::uint64_t slot = slots_.find(id);
        if (!slot)
            return false;
        slots_.erase(id);
        const std::uint32_t number = numberIn(slot);
        if (number == aside) {
            *freed = *records_.find(id);
            forgetAside(id);
        } else {
            *freed = Freed{models_[number], slot & 0xFFFFFFFFULL, QString()};
        }
        return true;
    }

    void clear()
    {
        records_.forEach([this](unsigned long long, Freed* record) { destroy(record); });
        records_.clear();
        slots_.clear();
        numbers_.clear();
        models_.assign(1, nullptr);
    }

private:
    // A slot holds inUse, the model's number (or aside) and the occurrence.
    static constexpr std::uint64_t inUse = std::uint64_t(1) << 63;
    static constexpr std::uint32_t aside = 0x7FFFFFFF;

    static std::uint32_t numberIn(std::uint64_t slot) { return std::uint32_t(slot >> 32) & aside; }

    // Models get numbers as they come; 0 stands for none. Past 2^31 - 2
    // models (never, in practice) instances go aside.
    std::uint32_t numberOf(Model* model)
    {
        if (!model)
            return 0;
        const auto address = reinterpret_cast<std::uintptr_t>(model);
        if (const std::uint32_t known = numbers_.find(address))
            return known;
        if (models_.size() >= aside)
            return aside;
        const auto number = std::uint32_t(models_.size());
        numbers_.at(address) = number;
        models_.push_back(model);
        return number;
    }

    void forgetAside(unsigned long long id)
    {
        destroy(records_.find(id));
        records_.erase(id);
    }

    void destroy(Freed* record)
    {
        record->~Freed();
        recordMemory_.give(record);
    }

    FlatMap<std::uint64_t> slots_;      // dynamic id -> slot
    FlatMap<std::uint32_t> numbers_;    // a model's address -> its number
    std::vector<Model*> models_{nullptr};  // number -> model
    FlatIndex<Freed> records_;          // dynamic id -> record, for those aside
    BlockPool recordMemory_{sizeof(Freed)};
};

}

#endif
