#ifndef VIEW_TRACE_INDEX_H
#define VIEW_TRACE_INDEX_H

// What the server keeps beside the page's data to answer for any stretch
// of the diagram at once: the rows' ys, the lifelines and activation bars
// of each column with their ys, the loops with theirs, and a search of the
// times. Built once, read only after.

#include "row_layout.h"

#include <html_page_data.h>

#include <cstdint>
#include <vector>

namespace view {

// A stretch of a column or a loop frame down the page, in diagram ys.
struct Span {
    long long top = 0;
    long long bottom = 0;
};

class TraceIndex {
public:
    explicit TraceIndex(const PageData& data);

    const RowLayout& rows() const { return rows_; }
    long long count() const { return rows_.count(); }

    // The first event at or after `time`, in trace order; -1 for none.
    long long firstAtOrAfter(unsigned long long time) const;
    unsigned long long minTime() const { return minTime_; }
    unsigned long long maxTime() const { return maxTime_; }
    // A gap in time between two rows is large above this (0: none is).
    double gapThreshold() const { return gapThreshold_; }

    // The lifelines of a column, top down: their indices into the page's
    // lifelines, and where they are.
    struct Column {
        std::vector<int> lifelines;
        // From the title down to the last event drawn on each lifeline,
        // which may come after its deletion: then `crosses` is higher.
        std::vector<Span> spans;
        std::vector<long long> crosses;  // where each one's solid line ends
        std::vector<Span> bars;  // each column's bars follow one another down
    };
    const std::vector<Column>& columns() const { return columns_; }

    // Loop frames in the page's order (by their start), with their depth.
    const std::vector<Span>& loopSpans() const { return loopSpans_; }
    const std::vector<int>& loopDepth() const { return loopDepth_; }

    // The labels of the events, for searches.
    const std::vector<int>& labels() const { return labels_; }

private:
    static constexpr long long block = 256;
    RowLayout rows_;
    std::vector<int> labels_;
    // The largest time up to the end of each block of events.
    std::vector<unsigned long long> blockMaxima_;
    const PageData& data_;
    unsigned long long minTime_ = 0;
    unsigned long long maxTime_ = 0;
    double gapThreshold_ = 0;
    std::vector<Column> columns_;
    std::vector<Span> loopSpans_;
    std::vector<int> loopDepth_;
};

}

#endif
