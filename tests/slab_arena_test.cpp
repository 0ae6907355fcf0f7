// The slabs that the pools share, and what a pool holds when it grows by
// them.

#include "internal/slab_arena.h"

#include <block_pool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <thread>
#include <vector>

using namespace tdf::internal;

namespace {

// Fills a slab with a byte of its own and tells whether it still holds it.
void fill(const Slab& slab, unsigned char mark)
{
    std::memset(slab.start, mark, slab.bytes);
}

bool holds(const Slab& slab, unsigned char mark)
{
    const auto* bytes = static_cast<const unsigned char*>(slab.start);
    return std::all_of(bytes, bytes + slab.bytes, [mark](unsigned char byte) { return byte == mark; });
}

// More slabs than a few large chunks hold: none overlaps another, the
// freed ones are taken again before any new memory, and the kept ones keep
// their contents meanwhile.
TEST(SlabArena, SlabsAreDisjointAndFreedOnesAreTakenAgain)
{
    std::vector<Slab> slabs;
    for (int i = 0; i < 100; ++i) {
        slabs.push_back(takeSlab());
        const Slab& slab = slabs.back();
        EXPECT_TRUE(slab.bytes == slabBytes || slab.bytes == smallestSlabBytes);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(slab.start) % 16, 0u);
        fill(slab, static_cast<unsigned char>(i));
    }
    std::vector<Slab> sorted = slabs;
    std::sort(sorted.begin(), sorted.end(), [](const Slab& a, const Slab& b) { return a.start < b.start; });
    for (size_t i = 1; i < sorted.size(); ++i)
        EXPECT_LE(static_cast<unsigned char*>(sorted[i - 1].start) + sorted[i - 1].bytes, sorted[i].start);

    std::set<void*> freed;
    for (size_t i = 0; i < slabs.size(); i += 2) {
        freed.insert(slabs[i].start);
        giveSlab(slabs[i].start);
    }
    for (size_t i = 0; i < slabs.size(); i += 2) {
        slabs[i] = takeSlab();
        EXPECT_EQ(freed.count(slabs[i].start), 1u) << "slab " << i << " is new memory";
        freed.erase(slabs[i].start);
        fill(slabs[i], static_cast<unsigned char>(i + 1));
    }
    for (size_t i = 0; i < slabs.size(); ++i) {
        EXPECT_TRUE(holds(slabs[i], static_cast<unsigned char>(i % 2 ? i : i + 1))) << "slab " << i;
        giveSlab(slabs[i].start);
    }
}

TEST(SlabArena, ThreadsTakeAndGiveSlabsAtTheSameTime)
{
    auto work = [](unsigned char mark) {
        bool intact = true;
        std::vector<Slab> slabs;
        for (int round = 0; round < 20; ++round) {
            for (int i = 0; i < 40; ++i) {
                slabs.push_back(takeSlab());
                fill(slabs.back(), mark);
            }
            for (int i = 0; i < 30; ++i) {
                intact = intact && holds(slabs.back(), mark);
                giveSlab(slabs.back().start);
                slabs.pop_back();
            }
        }
        for (const Slab& slab : slabs) {
            intact = intact && holds(slab, mark);
            giveSlab(slab.start);
        }
        return intact;
    };
    bool firstIntact = false;
    bool secondIntact = false;
    std::thread first([&] { firstIntact = work(1); });
    std::thread second([&] { secondIntact = work(2); });
    first.join();
    second.join();
    EXPECT_TRUE(firstIntact);
    EXPECT_TRUE(secondIntact);
}

// Each pool grew by large chunks of its own: a pool that needed a few
// blocks more than its doubling chunks held took a whole large chunk for
// them, and a reader's twenty pools held some twenty megabytes unused.
TEST(SlabArena, GrowingPoolsHoldAtMostASlabBeyondTheirBlocks)
{
    constexpr std::size_t blockBytes = 24;
    constexpr std::size_t blocks = 131068 + 100;  // past chunks of 4, 8, ... 65536 blocks
    std::vector<std::unique_ptr<BlockPool>> pools;
    for (int i = 0; i < 4; ++i)
        pools.push_back(std::make_unique<BlockPool>(blockBytes));
    for (std::size_t i = 0; i < blocks; ++i)
        for (const auto& pool : pools)
            *static_cast<std::size_t*>(pool->take()) = i;
    for (const auto& pool : pools) {
        // The chunks' headers and the blocks that don't fill a chunk's
        // end take a few bytes in a thousand.
        EXPECT_LE(pool->chunkBytes(), blocks * blockBytes * 1002 / 1000 + slabBytes);
    }
}

}
