#include "window_answer.h"

#include "label_search.h"
#include "trace_index.h"

#include <html_number_column.h>
#include <html_page_data.h>
#include <json_string.h>
#include <tdf_objects.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace view {

namespace {

constexpr int none = PageData::none;
constexpr JsonStringUse document = JsonStringUse::Document;
// More lifelines than this in one column of the window are drawn as one
// line by the page, without their boxes: a sample of them is enough, the
// first and last among them, marked as crowded.
constexpr size_t detailedLines = 150;
constexpr size_t crowdedSample = 32;
// Flags the window adds to an event's (beside the page's own).
constexpr int hitFlag = 32;

// The events between the ys: all, or one a step apart where they are too
// many; false when even the sample would be too large.
bool eventsBetween(const RowLayout& rows, const WindowRequest& request, std::vector<long long>& out, bool& sampled)
{
    const long long first = rows.firstAtOrBelow(request.top);
    const long long last = rows.firstAtOrBelow(request.bottom) - 1;
    sampled = last - first + 1 > windowLimit::detailed;
    if (!sampled) {
        for (long long event = first; event <= last; ++event)
            out.push_back(event);
        return true;
    }
    if ((request.bottom - request.top) / request.step > static_cast<double>(windowLimit::sampled))
        return false;
    for (long long at = first; at <= last;) {
        out.push_back(at);
        at = std::max(at + 1, rows.firstAtOrBelow(static_cast<double>(rows.y(at)) + request.step));
    }
    return true;
}

// The spans of a column that reach into [top, bottom], with the one just
// above (it names the column's occupant there); positions into `spans`.
std::vector<size_t> spansBetween(const std::vector<Span>& spans, double top, double bottom)
{
    std::vector<size_t> out;
    size_t at = static_cast<size_t>(
        std::partition_point(spans.begin(), spans.end(), [top](const Span& span) { return span.bottom < top; }) -
        spans.begin());
    if (at > 0)
        out.push_back(at - 1);
    for (; at < spans.size() && spans[at].top <= bottom; ++at)
        out.push_back(at);
    return out;
}

// A sample of `count + 1` of the positions, the first and last among them.
std::vector<size_t> thinned(const std::vector<size_t>& positions, size_t count)
{
    std::vector<size_t> out;
    for (size_t k = 0; k <= count; ++k)
        out.push_back(positions[k * (positions.size() - 1) / count]);
    return out;
}

class Writer {
public:
    explicit Writer(QByteArray& out) : out_(out) {}
    void key(const char* name)
    {
        if (!first_)
            out_ += ',';
        first_ = false;
        out_ += '"';
        out_ += name;
        out_ += "\":";
    }
    template <class Values>
    void column(const char* name, const Values& values, bool delta = false)
    {
        key(name);
        out_ += '"';
        if constexpr (std::is_same_v<Values, std::vector<std::uint8_t>>)
            out_ += encodeNumbers(values);
        else
            out_ += encodeNumbers(values, delta);
        out_ += '"';
    }
    void open(const char* name)
    {
        key(name);
        out_ += '{';
        first_ = true;
    }
    void close()
    {
        out_ += '}';
        first_ = false;
    }
    QByteArray& out() { return out_; }

private:
    QByteArray& out_;
    bool first_ = true;
};

void writeTexts(Writer& writer, const char* name, const std::set<int>& ids, const std::vector<QString>& texts)
{
    writer.open(name);
    for (const int id : ids) {
        if (id < 0 || static_cast<size_t>(id) >= texts.size())
            continue;
        writer.key(QByteArray::number(id).constData());
        appendJsonString(writer.out(), texts[static_cast<size_t>(id)], document);
    }
    writer.close();
}

// What a window's tables name, for the tables that follow and the texts.
struct Named {
    std::set<int> strings, timeTexts, columns;
};

// The events' columns, with the ys of their rows and the large gaps above.
void writeEvents(Writer& writer, const PageData& data, const TraceIndex& index, const WindowRequest& request,
                 const std::vector<long long>& events, Named& listed)
{
    const RowLayout& rows = index.rows();
    std::vector<unsigned long long> eventIndex, time, y;
    std::vector<std::uint8_t> kind, opensRow;
    std::vector<int> from, to, style, label, link, partner, owner, thread, flags, timeText, members, gap;
    for (const long long event : events) {
        const PageData::Event value = data.event(event);
        const long long rowY = rows.y(event);
        eventIndex.push_back(static_cast<unsigned long long>(event));
        kind.push_back(static_cast<std::uint8_t>(value.kind));
        time.push_back(value.time);
        y.push_back(static_cast<unsigned long long>(rowY));
        from.push_back(value.from);
        to.push_back(value.to);
        style.push_back(value.style);
        label.push_back(value.label);
        link.push_back(value.link);
        partner.push_back(value.partner);
        owner.push_back(value.owner);
        thread.push_back(value.thread);
        const bool hit = request.search && value.label != none && request.search->isHit(event);
        flags.push_back(value.flags | (hit ? hitFlag : 0));
        timeText.push_back(value.timeText);
        const bool opens = rows.opensRow(event);
        opensRow.push_back(opens ? 1 : 0);
        // A large gap before the row: how far up the row before it is.
        int before = 0;
        if (opens && event > 0 && index.gapThreshold() > 0) {
            const unsigned long long previous = data.timeAt(event - 1);
            if (value.time > previous && static_cast<double>(value.time - previous) > index.gapThreshold())
                before = static_cast<int>(rowY - rows.y(event - 1));
        }
        gap.push_back(before);
        for (const int text : {value.label, value.link})
            listed.strings.insert(text);
        listed.timeTexts.insert(value.timeText);
        for (const int column : {value.from, value.to})
            listed.columns.insert(column);
        if (value.kind == TDF_SYNCHRONISATION) {
            const std::vector<int> inSync = data.membersOf(event);
            members.insert(members.end(), inSync.begin(), inSync.end());
            listed.columns.insert(inSync.begin() + 1, inSync.end());
        }
    }
    listed.columns.erase(none);

    writer.open("events");
    writer.column("index", eventIndex, true);
    writer.column("kind", kind);
    writer.column("time", time, true);
    writer.column("y", y, true);
    writer.column("rowFirst", opensRow);
    writer.column("from", from);
    writer.column("to", to);
    writer.column("style", style);
    writer.column("label", label);
    writer.column("link", link);
    writer.column("partner", partner);
    writer.column("owner", owner);
    writer.column("thread", thread);
    writer.column("flags", flags);
    writer.column("timeText", timeText, true);
    writer.column("members", members);
    writer.column("gap", gap);
    writer.close();
}

// Lifelines and bars of the columns wanted and of those the events reach.
void writeColumns(Writer& writer, const PageData& data, const TraceIndex& index, const WindowRequest& request,
                  bool sampled, Named& listed)
{
    const PageData::Lifelines& lines = data.lifelines;
    std::vector<int> lineId, lineColumn, lineEnd, lineTitle, lineTooltip, lineLink, titleStyle, lineStyle, crossStyle;
    std::vector<std::uint8_t> lineCrowded;
    std::vector<unsigned long long> lineTop, lineBottom, lineAfter, dynamicId, barTop, barBottom;
    std::vector<int> barColumn;
    for (const int column : listed.columns) {
        const TraceIndex::Column& spans = index.columns()[static_cast<size_t>(column)];
        std::vector<size_t> shown = spansBetween(spans.spans, request.top, request.bottom);
        const bool crowded = shown.size() > detailedLines;
        if (crowded)
            shown = thinned(shown, crowdedSample);
        for (const size_t at : shown) {
            const size_t line = static_cast<size_t>(spans.lifelines[at]);
            lineCrowded.push_back(crowded ? 1 : 0);
            lineId.push_back(static_cast<int>(line));
            lineColumn.push_back(column);
            lineTop.push_back(static_cast<unsigned long long>(spans.spans[at].top));
            lineBottom.push_back(static_cast<unsigned long long>(spans.crosses[at]));
            lineAfter.push_back(static_cast<unsigned long long>(spans.spans[at].bottom));
            lineEnd.push_back(lines.end[line]);
            lineTitle.push_back(lines.title[line]);
            lineTooltip.push_back(lines.tooltip[line]);
            lineLink.push_back(lines.link[line]);
            titleStyle.push_back(lines.titleStyle[line]);
            lineStyle.push_back(lines.lineStyle[line]);
            crossStyle.push_back(lines.crossStyle[line]);
            dynamicId.push_back(lines.id[line]);
            for (const int text : {lines.title[line], lines.tooltip[line], lines.link[line]})
                listed.strings.insert(text);
        }
        // In a sample, bars less than a step apart are one: the page draws
        // them so where they crowd.
        const std::vector<Span>& bars = spans.bars;
        size_t at = static_cast<size_t>(
            std::partition_point(bars.begin(), bars.end(), [&](const Span& bar) { return bar.bottom < request.top; }) -
            bars.begin());
        while (at < bars.size() && bars[at].top <= request.bottom) {
            Span run = bars[at];
            for (++at; sampled && at < bars.size() && bars[at].top <= request.bottom &&
                       static_cast<double>(bars[at].top) < static_cast<double>(run.bottom) + request.step;
                 ++at)
                run.bottom = std::max(run.bottom, bars[at].bottom);
            barColumn.push_back(column);
            barTop.push_back(static_cast<unsigned long long>(run.top));
            barBottom.push_back(static_cast<unsigned long long>(run.bottom));
        }
    }

    writer.open("lifelines");
    writer.column("lifeline", lineId);
    writer.column("column", lineColumn);
    writer.column("top", lineTop, true);
    writer.column("bottom", lineBottom, true);
    writer.column("after", lineAfter, true);
    writer.column("end", lineEnd);
    writer.column("title", lineTitle);
    writer.column("tooltip", lineTooltip);
    writer.column("link", lineLink);
    writer.column("titleStyle", titleStyle);
    writer.column("lineStyle", lineStyle);
    writer.column("crossStyle", crossStyle);
    writer.column("id", dynamicId);
    writer.column("crowded", lineCrowded);
    writer.close();
    writer.open("bars");
    writer.column("column", barColumn);
    writer.column("top", barTop, true);
    writer.column("bottom", barBottom, true);
    writer.close();
}

// Loops: those open at the top, those that start in the window (a step
// apart), and every loop around them.
void writeLoops(Writer& writer, const PageData& data, const TraceIndex& index, const WindowRequest& request,
                Named& listed)
{
    const PageData::Loops& loops = data.loops;
    const std::vector<Span>& loopSpans = index.loopSpans();
    const auto loopAtOrBelow = [&loopSpans](double top) {
        return static_cast<int>(
            std::partition_point(loopSpans.begin(), loopSpans.end(), [top](const Span& span) { return span.top < top; }) -
            loopSpans.begin());
    };
    std::set<int> shownLoops;
    const int firstLoop = loopAtOrBelow(request.top);
    for (int loop = firstLoop - 1; loop >= 0; loop = loops.parent[static_cast<size_t>(loop)]) {
        if (static_cast<double>(loopSpans[static_cast<size_t>(loop)].bottom) >= request.top)
            shownLoops.insert(loop);
    }
    for (int loop = firstLoop; loop < static_cast<int>(loopSpans.size()) &&
                               static_cast<double>(loopSpans[static_cast<size_t>(loop)].top) < request.bottom;) {
        for (int around = loop; around != none && shownLoops.insert(around).second;)
            around = loops.parent[static_cast<size_t>(around)];
        loop = std::max(loop + 1, loopAtOrBelow(static_cast<double>(loopSpans[static_cast<size_t>(loop)].top) + request.step));
    }
    std::map<int, int> loopPlace;
    for (const int loop : shownLoops)
        loopPlace.emplace(loop, static_cast<int>(loopPlace.size()));
    std::vector<int> loopId, loopStart, loopEnd, loopLeft, loopRight, loopParent, loopDepth, loopLabel, loopLink, loopStyle, loopEndStyle;
    std::vector<unsigned long long> loopTop, loopBottom;
    for (const int loop : shownLoops) {
        const size_t at = static_cast<size_t>(loop);
        loopId.push_back(loop);
        loopStart.push_back(loops.start[at]);
        loopEnd.push_back(loops.end[at]);
        loopTop.push_back(static_cast<unsigned long long>(loopSpans[at].top));
        loopBottom.push_back(static_cast<unsigned long long>(loopSpans[at].bottom));
        loopLeft.push_back(loops.left[at]);
        loopRight.push_back(loops.right[at]);
        const auto parent = loopPlace.find(loops.parent[at]);
        loopParent.push_back(parent == loopPlace.end() ? none : parent->second);
        loopDepth.push_back(index.loopDepth()[at]);
        loopLabel.push_back(loops.label[at]);
        loopLink.push_back(loops.link[at]);
        loopStyle.push_back(loops.style[at]);
        loopEndStyle.push_back(loops.endStyle[at]);
        listed.strings.insert(loops.label[at]);
        listed.strings.insert(loops.link[at]);
    }

    writer.open("loops");
    writer.column("id", loopId);
    writer.column("start", loopStart);
    writer.column("end", loopEnd);
    writer.column("top", loopTop, true);
    writer.column("bottom", loopBottom, true);
    writer.column("left", loopLeft);
    writer.column("right", loopRight);
    writer.column("parent", loopParent);
    writer.column("depth", loopDepth);
    writer.column("label", loopLabel);
    writer.column("link", loopLink);
    writer.column("style", loopStyle);
    writer.column("endStyle", loopEndStyle);
    writer.close();
}

}

bool windowAnswer(const PageData& data, const TraceIndex& index, const WindowRequest& request, QByteArray& out,
                  std::string& reason)
{
    if (!(request.step > 0) || !(request.bottom >= request.top) || !std::isfinite(request.top) ||
        !std::isfinite(request.bottom)) {
        reason = "the window needs top <= bottom and a step above 0";
        return false;
    }
    if (request.right - request.left >= windowLimit::columns) {
        reason = "the window asks for more than " + std::to_string(windowLimit::columns) + " columns";
        return false;
    }
    std::vector<long long> between;
    bool sampled = false;
    if (!eventsBetween(index.rows(), request, between, sampled)) {
        reason = "the window asks for more than " + std::to_string(windowLimit::sampled) + " rows";
        return false;
    }
    // With the events their owners and partners, which the page draws
    // from and names.
    std::vector<long long> events = between;
    for (const long long event : between) {
        const PageData::Event value = data.event(event);
        for (const int other : {value.owner, value.partner}) {
            if (other != none)
                events.push_back(other);
        }
    }
    std::sort(events.begin(), events.end());
    events.erase(std::unique(events.begin(), events.end()), events.end());

    Named listed;
    for (int column = std::max(0, request.left); column <= std::min(request.right, data.columns - 1); ++column)
        listed.columns.insert(column);
    out = "{";
    Writer writer(out);
    writer.key("sampled");
    out += sampled ? "true" : "false";
    writer.key("count");
    out += QByteArray::number(static_cast<qulonglong>(events.size()));
    writeEvents(writer, data, index, request, events, listed);
    writeColumns(writer, data, index, request, sampled, listed);
    writeLoops(writer, data, index, request, listed);
    writeTexts(writer, "strings", listed.strings, data.strings);
    writeTexts(writer, "timeTexts", listed.timeTexts, data.timeTexts);
    out += '}';
    return true;
}

}
