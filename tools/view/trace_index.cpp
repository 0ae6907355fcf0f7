#include "trace_index.h"

#include <algorithm>

namespace view {

namespace {

constexpr int none = PageData::none;

}

TraceIndex::TraceIndex(const PageData& data) : rows_(data.kind()), labels_(data.label()), data_(data)
{
    const long long n = count();
    unsigned long long most = 0;
    for (long long event = 0; event < n; ++event) {
        const unsigned long long time = data.timeAt(event);
        minTime_ = event == 0 ? time : std::min(minTime_, time);
        most = std::max(most, time);
        if ((event + 1) % block == 0 || event + 1 == n)
            blockMaxima_.push_back(most);
    }
    maxTime_ = most;

    // Large gaps: ten times the 90th percentile of the gaps between rows,
    // measured on a sample, as the page measures them.
    std::vector<unsigned long long> gaps;
    const long long step = std::max<long long>(1, n / 20000);
    for (long long event = 1; event < n; event += step) {
        if (!rows_.opensRow(event))
            continue;
        const unsigned long long time = data.timeAt(event), before = data.timeAt(event - 1);
        if (time > before)
            gaps.push_back(time - before);
    }
    if (gaps.size() >= 10) {
        std::sort(gaps.begin(), gaps.end());
        gapThreshold_ = 10.0 * static_cast<double>(gaps[gaps.size() * 9 / 10]);
    }

    // Lifelines and their bars, column by column, top down.
    const PageData::Lifelines& lines = data.lifelines;
    columns_.resize(static_cast<size_t>(std::max(data.columns, 0)));
    std::vector<Span> lineSpans(lines.column.size());
    std::vector<long long> lineCrosses(lines.column.size());
    for (size_t line = 0; line < lines.column.size(); ++line) {
        Span& span = lineSpans[line];
        span.top = lines.start[line] == none ? RowLayout::topRowY : rows_.y(lines.start[line]);
        lineCrosses[line] = lines.end[line] == none ? rows_.bodyBottom() : rows_.y(lines.end[line]);
        span.bottom = lines.last[line] == none ? lineCrosses[line] : rows_.y(lines.last[line]);
        columns_[static_cast<size_t>(lines.column[line])].lifelines.push_back(static_cast<int>(line));
    }
    for (Column& column : columns_) {
        std::stable_sort(column.lifelines.begin(), column.lifelines.end(),
                         [&lineSpans](int a, int b) { return lineSpans[size_t(a)].top < lineSpans[size_t(b)].top; });
        for (const int line : column.lifelines) {
            column.spans.push_back(lineSpans[static_cast<size_t>(line)]);
            column.crosses.push_back(lineCrosses[static_cast<size_t>(line)]);
        }
    }
    const PageData::Bars& bars = data.bars;
    for (size_t bar = 0; bar < bars.lifeline.size(); ++bar) {
        const size_t line = static_cast<size_t>(bars.lifeline[bar]);
        const long long lineStart = lineSpans[line].top + rowHeight::title / 2;
        const long long top = std::max(lineStart, bars.start[bar] == none ? RowLayout::bodyTop : rows_.y(bars.start[bar]));
        const long long bottom =
            std::min(lineCrosses[line], bars.end[bar] == none ? rows_.bodyBottom() : rows_.y(bars.end[bar]));
        if (bottom > top)
            columns_[static_cast<size_t>(lines.column[line])].bars.push_back({top, bottom});
    }
    for (Column& column : columns_) {
        std::stable_sort(column.bars.begin(), column.bars.end(),
                         [](const Span& a, const Span& b) { return a.top < b.top; });
    }

    const PageData::Loops& loops = data.loops;
    for (size_t loop = 0; loop < loops.start.size(); ++loop) {
        loopSpans_.push_back({rows_.y(loops.start[loop]),
                              loops.end[loop] == none ? rows_.bodyBottom() : rows_.y(loops.end[loop])});
        const int parent = loops.parent[loop];
        loopDepth_.push_back(parent == none ? 0 : loopDepth_[static_cast<size_t>(parent)] + 1);
    }
}

long long TraceIndex::firstAtOrAfter(unsigned long long time) const
{
    // The maxima only grow: the first block that reaches the time holds
    // the event.
    const auto found = std::lower_bound(blockMaxima_.begin(), blockMaxima_.end(), time);
    if (found == blockMaxima_.end())
        return -1;
    const long long first = static_cast<long long>(found - blockMaxima_.begin()) * block;
    for (long long event = first; event < std::min(count(), first + block); ++event) {
        if (data_.timeAt(event) >= time)
            return event;
    }
    return -1;
}

}
