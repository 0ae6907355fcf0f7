#ifndef VIEW_LABEL_SEARCH_H
#define VIEW_LABEL_SEARCH_H

// The events a search finds, as the page's search finds them: those whose
// label holds a text, maybe of one kind and to or from one instance.
// Counted per block of events rather than listed, since a common label may
// have tens of millions of hits.

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class PageData;

namespace view {

struct SearchTerms {
    QString text;
    bool caseSensitive = true;
    bool wholeWord = false;  // the text with no letter, digit or '_' next to it
    int kind = 0;            // an event kind (TDFObjectType), 0 for any
    std::optional<unsigned long long> instance;  // the dynamic id of a sender or receiver

    bool operator==(const SearchTerms& other) const;
};

// Whether a label holds the text as the terms say.
bool labelHolds(const QString& label, const SearchTerms& terms);

class LabelSearch {
public:
    // `data` and `labels` (an index into data's strings per event, or
    // negative for none) outlive the search.
    LabelSearch(SearchTerms terms, const PageData& data, const std::vector<int>& labels);

    const SearchTerms& terms() const { return terms_; }
    long long count() const { return before_.back(); }
    bool isHit(long long event) const;
    // The first hit after `event` (-1 for from the start), or the last one
    // before it, round the end of the trace; -1 without hits.
    long long next(long long event) const;
    long long previous(long long event) const;
    // The place of a hit among all of them, from 0.
    long long ordinal(long long hit) const;

private:
    static constexpr long long block = 4096;
    long long events() const { return static_cast<long long>(labels_.size()); }
    long long hitsIn(long long block) const { return before_[size_t(block) + 1] - before_[size_t(block)]; }
    bool onInstance(long long event, int column) const;

    SearchTerms terms_;
    const PageData& data_;
    const std::vector<int>& labels_;
    std::vector<std::uint8_t> matched_;  // per text of the page: 1 when it holds the text
    // With an instance to look for: per column, its lifelines' first events
    // (top down) and dynamic ids.
    std::vector<std::vector<std::pair<long long, unsigned long long>>> lifelines_;
    std::vector<long long> before_;  // the hits before each block, and all of them last
};

}

#endif
