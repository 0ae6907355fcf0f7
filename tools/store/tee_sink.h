#ifndef STORE_TEE_SINK_H
#define STORE_TEE_SINK_H

// Hands every row to two sinks, so that one reading of a trace fills both
// (the page's store and a database).

#include "store_rows.h"

namespace store {

class TeeSink : public StoreSink {
public:
    // Both sinks outlive the tee.
    TeeSink(StoreSink& first, StoreSink& second) : first_(first), second_(second) {}

    void event(const EventRow& row) override
    {
        first_.event(row);
        second_.event(row);
    }
    void instance(const InstanceRow& row) override
    {
        first_.instance(row);
        second_.instance(row);
    }
    void deletedAgain(std::int64_t instance, std::int64_t event) override
    {
        first_.deletedAgain(instance, event);
        second_.deletedAgain(instance, event);
    }
    void message(const MessageRow& row) override
    {
        first_.message(row);
        second_.message(row);
    }
    void loop(const LoopRow& row) override
    {
        first_.loop(row);
        second_.loop(row);
    }
    void thread(const ThreadRow& row) override
    {
        first_.thread(row);
        second_.thread(row);
    }
    void member(const MemberRow& row) override
    {
        first_.member(row);
        second_.member(row);
    }

private:
    StoreSink& first_;
    StoreSink& second_;
};

}

#endif
