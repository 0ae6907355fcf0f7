#include "label_search.h"

namespace view {

LabelSearch::LabelSearch(const QString& text, const std::vector<QString>& strings, const std::vector<int>& labels)
    : text_(text), labels_(labels), matched_(strings.size(), 0)
{
    bool any = false;
    for (size_t s = 0; s < strings.size(); ++s) {
        if (strings[s].contains(text)) {
            matched_[s] = 1;
            any = true;
        }
    }
    before_.push_back(0);
    for (long long first = 0; first < events(); first += block) {
        long long hits = 0;
        for (long long event = first; any && event < std::min(events(), first + block); ++event)
            hits += isHit(event) ? 1 : 0;
        before_.push_back(before_.back() + hits);
    }
}

bool LabelSearch::isHit(long long event) const
{
    const int label = labels_[static_cast<size_t>(event)];
    return label >= 0 && matched_[static_cast<size_t>(label)];
}

long long LabelSearch::next(long long event) const
{
    if (count() == 0)
        return -1;
    // Within the block of the event after, then block by block, then
    // round the end from the start.
    for (long long at = std::max(0LL, event + 1); at < events();) {
        const long long blockOf = at / block;
        if (hitsIn(blockOf) == 0) {
            at = (blockOf + 1) * block;
            continue;
        }
        for (const long long end = std::min(events(), (blockOf + 1) * block); at < end; ++at) {
            if (isHit(at))
                return at;
        }
    }
    return next(-1);
}

long long LabelSearch::previous(long long event) const
{
    if (count() == 0)
        return -1;
    for (long long at = std::min(events(), event) - 1; at >= 0;) {
        const long long blockOf = at / block;
        if (hitsIn(blockOf) == 0) {
            at = blockOf * block - 1;
            continue;
        }
        for (const long long start = blockOf * block; at >= start; --at) {
            if (isHit(at))
                return at;
        }
    }
    return previous(events());
}

long long LabelSearch::ordinal(long long hit) const
{
    const long long blockOf = hit / block;
    long long ordinal = before_[static_cast<size_t>(blockOf)];
    for (long long event = blockOf * block; event < hit; ++event)
        ordinal += isHit(event) ? 1 : 0;
    return ordinal;
}

}
