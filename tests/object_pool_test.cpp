// Trace objects live in pools by size: objects of any class, the library's
// or a client's, must keep their own memory whatever else is made and freed.

#include <tdf_factory.h>
#include <tdf_objects.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace {

struct LargeObject : TDFObject {
    unsigned long long payload[64] = {};
};

struct OverAlignedObject : TDFObject {
    alignas(64) unsigned long long payload = 0;
};

TEST(ObjectPool, ObjectsKeepTheirContentsWhileOthersComeAndGo)
{
    TDFFactory factory;
    std::vector<TDFObject*> kept;
    std::vector<TDFObject*> dropped;
    for (unsigned long long i = 0; i < 3000; ++i) {
        TDFObject* object = i % 3 == 0 ? static_cast<TDFObject*>(factory.newTDFMessage())
                            : i % 3 == 1 ? static_cast<TDFObject*>(factory.newTDFInstance())
                                         : static_cast<TDFObject*>(factory.newTDFMessageReturn());
        object->time = i;
        (i % 2 ? dropped : kept).push_back(object);
    }
    for (TDFObject* object : dropped)
        delete object;
    // New objects reuse the freed memory, never the kept objects'.
    std::vector<std::unique_ptr<TDFMessage>> more;
    for (int i = 0; i < 2000; ++i) {
        more.emplace_back(factory.newTDFMessage());
        more.back()->time = ~0ULL;
    }
    for (size_t i = 0; i < kept.size(); ++i) {
        EXPECT_EQ(kept[i]->time, 2 * i);
        delete kept[i];
    }
}

TEST(ObjectPool, LargeAndOverAlignedClientObjects)
{
    std::vector<std::unique_ptr<TDFObject>> objects;
    for (int i = 0; i < 100; ++i) {
        auto* large = new LargeObject;
        large->payload[63] = unsigned(i);
        objects.emplace_back(large);
        auto* aligned = new OverAlignedObject;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(&aligned->payload) % 64, 0u);
        objects.emplace_back(aligned);
    }
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(static_cast<LargeObject*>(objects[size_t(2 * i)].get())->payload[63], unsigned(i));
}

TEST(ObjectPool, ThreadsMakeAndFreeObjectsAtTheSameTime)
{
    auto work = [](unsigned long long seed) {
        TDFFactory factory;
        std::vector<TDFMessage*> messages;
        for (unsigned long long i = 0; i < 20000; ++i) {
            messages.push_back(factory.newTDFMessage());
            messages.back()->time = seed + i;
            if (i % 4 == 3) {
                delete messages[size_t(i / 2)];
                messages[size_t(i / 2)] = nullptr;
            }
        }
        bool intact = true;
        for (size_t i = 0; i < messages.size(); ++i) {
            if (messages[i]) {
                intact = intact && messages[i]->time == seed + i;
                delete messages[i];
            }
        }
        return intact;
    };
    bool firstIntact = false;
    bool secondIntact = false;
    std::thread first([&] { firstIntact = work(0); });
    std::thread second([&] { secondIntact = work(1000000); });
    first.join();
    second.join();
    EXPECT_TRUE(firstIntact);
    EXPECT_TRUE(secondIntact);
}

}
