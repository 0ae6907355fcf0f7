#ifndef VIEW_LABEL_SEARCH_H
#define VIEW_LABEL_SEARCH_H

// The events whose label contains a text (case sensitive), as the page's
// search finds them: counted per block of events rather than listed, since
// a common label may have tens of millions of hits.

#include <QString>

#include <cstdint>
#include <vector>

namespace view {

class LabelSearch {
public:
    // `labels` (an index into `strings` per event, or negative for none)
    // outlives the search.
    LabelSearch(const QString& text, const std::vector<QString>& strings, const std::vector<int>& labels);

    const QString& text() const { return text_; }
    long long count() const { return before_.back(); }
    // Per text of `strings`: 1 when it holds the text.
    const std::vector<std::uint8_t>& matched() const { return matched_; }
    // The first hit after `event` (-1 for from the start), or the last one
    // before it, round the end of the trace; -1 without hits.
    long long next(long long event) const;
    long long previous(long long event) const;
    // The place of a hit among all of them, from 0.
    long long ordinal(long long hit) const;

private:
    static constexpr long long block = 4096;
    bool isHit(long long event) const;
    long long events() const { return static_cast<long long>(labels_.size()); }
    long long hitsIn(long long block) const { return before_[size_t(block) + 1] - before_[size_t(block)]; }

    QString text_;
    const std::vector<int>& labels_;
    std::vector<std::uint8_t> matched_;
    std::vector<long long> before_;  // the hits before each block, and all of them last
};

}

#endif
