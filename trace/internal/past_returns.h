#ifndef TDF_PAST_RETURNS_H
#define TDF_PAST_RETURNS_H

// What a streaming reader keeps of the returns it has freed, for a deletion
// that names the message whose return caused it: by static message id, the
// time of each return no deletion has named yet, newest last. Times grow
// as a trace goes on, so each is kept as its step from the one before, in
// 4 bytes (a step back, or one of 2^32 or more, takes 8 more aside); the
// static messages they returned, which change only where the trace
// switches definition blocks, are kept once per run. Models are stored,
// never dereferenced.

#include "flat_index.h"
#include "segmented_array.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace tdf::internal {

template <class Model>
class PastReturns {
public:
    void remember(unsigned long long staticId, Model* model, unsigned long long time)
    {
        OfMessage*& returns = byStaticId_.at(staticId);
        if (!returns) {
            all_.push_back(std::make_unique<OfMessage>());
            returns = all_.back().get();
        }
        if (returns->runs.empty() || returns->runs.back().first != model)
            returns->runs.emplace_back(model, returns->steps.size());
        if (time >= returns->newest && time - returns->newest < stepAside) {
            returns->steps.push_back(std::uint32_t(time - returns->newest));
        } else {
            returns->steps.push_back(stepAside);
            returns->newestBefore.push_back(returns->newest);
        }
        returns->newest = time;
    }

    // Forgets the newest return of `staticId` and gives its model and
    // time; false when none is left.
    bool takeNewest(unsigned long long staticId, Model** model, unsigned long long* time)
    {
        OfMessage* returns = byStaticId_.find(staticId);
        if (!returns || returns->steps.empty())
            return false;
        *model = returns->runs.back().first;
        *time = returns->newest;
        const std::uint32_t step = returns->steps.back();
        returns->steps.pop_back();
        if (step != stepAside) {
            returns->newest -= step;
        } else {
            returns->newest = returns->newestBefore.back();
            returns->newestBefore.pop_back();
        }
        if (returns->steps.size() == returns->runs.back().second)
            returns->runs.pop_back();
        return true;
    }

    void clear()
    {
        byStaticId_.clear();
        all_.clear();
    }

private:
    // A step that does not fit: the time before is kept aside.
    static constexpr std::uint32_t stepAside = 0xFFFFFFFF;

    struct OfMessage {
        SegmentedArray<std::uint32_t> steps;  // each time less the one before (0 before the first)
        unsigned long long newest = 0;        // the newest time
        std::vector<unsigned long long> newestBefore;  // for each step aside, newest before it
        std::vector<std::pair<Model*, std::size_t>> runs;  // a model and the first of its returns
    };
    FlatIndex<OfMessage> byStaticId_;
    std::vector<std::unique_ptr<OfMessage>> all_;
};

}

#endif
