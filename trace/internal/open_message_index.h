#ifndef TDF_OPEN_MESSAGE_INDEX_H
#define TDF_OPEN_MESSAGE_INDEX_H

// The open messages that a return can take, grouped by what a return asks
// for: the thread a message was read on and the block of its model. A
// return takes the newest open message of its group, or the newest of one
// static message, without a walk over every open message (they grow
// without bound when messages are never returned).
//
// Each group lists its messages in reading order, with the messages of one
// static message chained newest first. A message taken is only marked:
// marked entries at the end are dropped as they surface, and the list is
// compacted once more than half of it is marked, so that it stays within
// twice the open messages and every operation takes amortised constant
// time. The list grows by segments, never by copying what it holds.
// Positions are stored, never dereferenced; a default-made Position means
// none.

#include "flat_index.h"
#include "segmented_array.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace tdf::internal {

template <class Position>
class OpenMessageIndex {
public:
    // What a return asks for besides the static message: the thread and
    // the block (compared by address only).
    using GroupKey = std::pair<const void*, const void*>;

    // Lists the newest open message, at `position`.
    void add(const GroupKey& key, unsigned long long staticId, Position position)
    {
        addTo(groupOf(key), staticId, position);
    }

    // The same; then each open message of the group with `recent` newer
    // ones listed after it is handed once to `settle`, whose result
    // replaces its position: a caller may keep older messages, which a
    // return seldom takes, in a form of its own.
    template <class Settle>
    void add(const GroupKey& key, unsigned long long staticId, Position position, std::size_t recent, Settle settle)
    {
        Group& group = groupOf(key);
        addTo(group, staticId, position);
        while (group.entries.size() - group.settled > recent) {
            Entry& entry = group.entries[group.settled++];
            if (!Group::isTaken(entry))
                entry.position = settle(entry.position);
        }
    }

    // Takes the newest open message of the group, of `staticId` when
    // `byModel`: returns its position and forgets it, or returns a null
    // position when there is none.
    Position take(const GroupKey& key, bool byModel, unsigned long long staticId)
    {
        Group* group = findGroup(key);
        if (!group)
            return Position();
        std::uint32_t index = none;
        if (!byModel) {
            group->dropTakenAtEnd();
            if (!group->entries.empty())
                index = std::uint32_t(group->entries.size() - 1);
        } else if (const std::uint32_t slot = group->slotOf.find(staticId)) {
            index = group->newestOpenOf(slot - 1);
        }
        if (index == none)
            return Position();
        group->entries[index].slot |= takenMark;
        ++group->taken;
        const Position position = group->entries[index].position;
        group->compactWhenMostlyTaken();
        return position;
    }

    // Forgets every message.
    void clear()
    {
        groups_.clear();
        lastGroup_ = nullptr;
    }

private:
    static constexpr std::uint32_t none = ~std::uint32_t(0);
    static constexpr std::uint32_t takenMark = std::uint32_t(1) << 31;

    // 32-bit positions in the list: a group would need 2^32 entries, over
    // a terabyte of trace objects, to run out of them.
    struct Entry {
        Position position;
        std::uint32_t previousOfModel;  // the entry before of the same static message, or none
        std::uint32_t slot;             // the static message's slot, marked once taken
    };

    struct Group {
        SegmentedArray<Entry> entries;      // reading order
        FlatMap<std::uint32_t> slotOf{4};  // static id -> its slot + 1
        std::vector<std::uint32_t> newest;  // slot -> newest entry, or none
        std::size_t taken = 0;              // marked entries still listed
        std::size_t settled = 0;            // the entries before it have been handed to a settle

        static bool isTaken(const Entry& entry) { return entry.slot & takenMark; }

        void dropTakenAtEnd()
        {
            while (!entries.empty() && isTaken(entries.back())) {
                const Entry& last = entries.back();
                std::uint32_t& newestOfModel = newest[last.slot & ~takenMark];
                if (newestOfModel == entries.size() - 1)
                    newestOfModel = last.previousOfModel;
                entries.pop_back();
                --taken;
            }
            settled = std::min(settled, entries.size());
        }

        // The newest open entry of a static message; the taken entries
        // passed on the way are unchained.
        std::uint32_t newestOpenOf(std::uint32_t slot)
        {
            std::uint32_t index = newest[slot];
            while (index != none && isTaken(entries[index]))
                index = entries[index].previousOfModel;
            newest[slot] = index;
            return index;
        }

        void compactWhenMostlyTaken()
        {
            if (taken * 2 <= entries.size() || entries.size() < 64)
                return;
            std::fill(newest.begin(), newest.end(), none);
            std::size_t kept = 0;
            std::size_t keptSettled = 0;
            for (std::size_t i = 0; i < entries.size(); ++i) {
                const Entry entry = entries[i];
                if (isTaken(entry))
                    continue;
                std::uint32_t& newestOfModel = newest[entry.slot];
                entries[kept] = {entry.position, newestOfModel, entry.slot};
                newestOfModel = std::uint32_t(kept++);
                keptSettled += i < settled;
            }
            entries.truncate(kept);
            entries.shrinkToFit();
            taken = 0;
            settled = keptSettled;
        }
    };

    void addTo(Group& group, unsigned long long staticId, Position position)
    {
        group.dropTakenAtEnd();
        std::uint32_t& slotPlusOne = group.slotOf.at(staticId);
        if (!slotPlusOne) {
            group.newest.push_back(none);
            slotPlusOne = std::uint32_t(group.newest.size());
        }
        const std::uint32_t slot = slotPlusOne - 1;
        std::uint32_t& newest = group.newest[slot];
        const std::uint32_t index = std::uint32_t(group.entries.size());
        group.entries.push_back({position, newest, slot});
        newest = index;
    }

    // Messages and their returns come in runs of one thread and block.
    Group& groupOf(const GroupKey& key)
    {
        if (!lastGroup_ || key != lastKey_) {
            lastGroup_ = &groups_[key];
            lastKey_ = key;
        }
        return *lastGroup_;
    }

    Group* findGroup(const GroupKey& key)
    {
        if (lastGroup_ && key == lastKey_)
            return lastGroup_;
        const auto found = groups_.find(key);
        if (found == groups_.end())
            return nullptr;
        lastGroup_ = &found->second;
        lastKey_ = key;
        return lastGroup_;
    }

    std::map<GroupKey, Group> groups_;
    GroupKey lastKey_{nullptr, nullptr};
    Group* lastGroup_ = nullptr;
};

}

#endif
