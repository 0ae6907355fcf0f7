#ifndef TDF_PAGE_CHOICE_H
#define TDF_PAGE_CHOICE_H

// Which pages a large chunk (chunk_memory.h) gets, from what faulting in
// the chunks before it cost. A huge page takes one fault where small pages
// take 512, and spares TLB misses later. But where the system has no huge
// page at hand, it compacts memory to make one, and a virtual machine whose
// host took the guest's free memory back (as free page reporting does
// with whole free huge pages) pays the host for every page of it: a huge
// page then costs several times its small pages, which come from memory
// the guest kept. Which case holds changes as memory is used and freed.
// So each size is tried, and the chunks take huge pages until small ones
// cost a third less, then small ones until huge ones do; the other size is
// tried again after 16, 32, 64... chunks (up to 1024), from 16 again after
// a change. The kept size's cost is averaged over its last few chunks,
// since single ones vary several times over on a busy machine. Any thread
// may ask and tell.

#include <cstddef>
#include <mutex>

namespace tdf::internal {

enum PageSize { hugePages, smallPages };

class PageChoice {
public:
    // The pages of the next chunk.
    PageSize next()
    {
        const std::lock_guard<std::mutex> guard(lock_);
        if (!measurable_ || cost_[hugePages] < 0)
            return hugePages;
        if (cost_[smallPages] < 0)
            return smallPages;
        if (++chunksSinceTrial_ < trialInterval_)
            return kept_;
        chunksSinceTrial_ = 0;
        return other(kept_);
    }

    // Faulting in `bytes` of `size` took `seconds`.
    void measured(PageSize size, std::size_t bytes, double seconds)
    {
        const std::lock_guard<std::mutex> guard(lock_);
        const double cost = seconds / double(bytes);
        const bool firstOfBoth = cost_[other(size)] >= 0 && cost_[size] < 0;
        // The kept size is averaged; a trial's cost stands alone, as what
        // the other size cost long ago says little of what it costs now.
        cost_[size] = size == kept_ && cost_[size] >= 0 ? cost_[size] + (cost - cost_[size]) / 4 : cost;
        if (cost_[other(size)] < 0)
            return;
        if (cost_[other(kept_)] * 3 < cost_[kept_] * 2) {
            kept_ = other(kept_);
            trialInterval_ = firstTrialInterval;
            chunksSinceTrial_ = 0;
        } else if (size != kept_ && !firstOfBoth && trialInterval_ < lastTrialInterval) {
            trialInterval_ *= 2;
        }
    }

    // The system can't fault a chunk in at once: from now on every chunk
    // takes huge pages where the system gives them.
    void unmeasurable()
    {
        const std::lock_guard<std::mutex> guard(lock_);
        measurable_ = false;
    }

    bool isMeasurable()
    {
        const std::lock_guard<std::mutex> guard(lock_);
        return measurable_;
    }

private:
    static constexpr std::size_t firstTrialInterval = 16;
    static constexpr std::size_t lastTrialInterval = 1024;

    static PageSize other(PageSize size) { return size == hugePages ? smallPages : hugePages; }

    std::mutex lock_;
    bool measurable_ = true;
    PageSize kept_ = hugePages;
    double cost_[2] = {-1, -1};  // seconds a byte, by PageSize; below 0 before the first
    std::size_t chunksSinceTrial_ = 0;
    std::size_t trialInterval_ = firstTrialInterval;
};

}

#endif
