#include "html_page_data.h"

#include "column_assignment.h"
#include "labels.h"
#include "page_looks.h"
#include "style_palette.h"
#include "svg_paint.h"
#include "text_fit.h"

#include <event_store.h>
#include <tdf.h>
#include <tdf_objects.h>
#include <tdf_time.h>

#include <QHash>

#include <algorithm>
#include <climits>

namespace {

constexpr int none = PageData::none;
// Numbers above this lose digits in the page's script.
constexpr unsigned long long exactInScript = 1ULL << 53;

using Row = std::int64_t;
using Plan = ColumnAssignment<Row>;

// Every event is drawn but the new-trace marker and what only opens a
// definition block.
bool isDrawnKind(int kind)
{
    return kind != TDF_GENERIC && kind != TDF_DEFINITION_BLOCK;
}

// Page-wide tables: texts and styles in the order the page first uses them.
class Tables {
public:
    Tables(PageData& data, const store::EventStore& store, const PageLooks& looks)
        : data_(data), store_(store), looks_(looks), styleIndex_(looks.styles.size(), none),
          storeTexts_(store.strings.size(), unknown), looksTexts_(looks.texts.size(), unknown)
    {
    }
    int text(const QString& value)
    {
        if (value.isEmpty())
            return none;
        const QString line = singleLine(value);
        const auto found = textIndex_.constFind(line);
        if (found != textIndex_.constEnd())
            return found.value();
        const int index = static_cast<int>(data_.strings.size());
        textIndex_.insert(line, index);
        data_.strings.push_back(line);
        return index;
    }
    int style(std::int32_t look)
    {
        int& index = styleIndex_[static_cast<size_t>(look)];
        if (index == none) {
            index = static_cast<int>(data_.styles.size());
            data_.styles.push_back(looks_.styles[static_cast<size_t>(look)]);
        }
        return index;
    }

    // The same for a store's or the looks' text, remembered.
    int storeText(std::int64_t id)
    {
        if (id == store::none)
            return none;
        int& index = storeTexts_[static_cast<size_t>(id)];
        if (index == unknown)
            index = text(QString::fromUtf8(store_.strings[static_cast<size_t>(id)]));
        return index;
    }
    int looksText(std::int32_t id)
    {
        if (id == PageLooks::none)
            return none;
        int& index = looksTexts_[static_cast<size_t>(id)];
        if (index == unknown)
            index = text(looks_.texts[static_cast<size_t>(id)]);
        return index;
    }

private:
    static constexpr int unknown = -2;
    PageData& data_;
    const store::EventStore& store_;
    const PageLooks& looks_;
    QHash<QString, int> textIndex_;
    std::vector<int> styleIndex_;
    std::vector<int> storeTexts_;
    std::vector<int> looksTexts_;
};

}

// The page's view of the store: its events are the drawn ones of the last
// trace, counted from 0.
class PageData::Source {
public:
    Source(const store::EventStore& store, const PageLooks& looks) : store_(store), looks_(looks) {}

    const store::EventStore& store_;
    const PageLooks& looks_;
    // The store's events of the page's: from first_ on, but for the few
    // the page does not draw (definition blocks), listed in skipped_ with,
    // in skippedAt_, the page's event each would be.
    Row first_ = 0;
    size_t count_ = 0;
    std::vector<Row> skipped_;
    std::vector<size_t> skippedAt_;
    std::unique_ptr<Plan> plan_;
    std::unique_ptr<Tables> tables_;
    std::vector<int> timeText_;
    Row firstThread_ = 0;  // the store's row of the first trace's first thread
    std::int64_t firstTrace_ = 0;  // the store's number of the first trace shown
    std::vector<int> traceMarkers_;  // the page's new-trace markers, in order

    // Where an instance's lifeline ends: its deletion, or the new-trace
    // marker after its trace; none when it lasts to the bottom.
    int endOf(Row instanceRow) const
    {
        const store::InstanceRow& row = instance(instanceRow);
        const int deletion = pageEvent(row.deleted);
        if (deletion != none)
            return deletion;
        const std::int64_t after = row.trace - firstTrace_;  // the marker that ends its trace
        return after >= 0 && static_cast<size_t>(after) < traceMarkers_.size() ? traceMarkers_[size_t(after)] : none;
    }

    size_t count() const { return count_; }
    Row rowAt(size_t event) const
    {
        const size_t before = static_cast<size_t>(
            std::upper_bound(skippedAt_.begin(), skippedAt_.end(), event) - skippedAt_.begin());
        return first_ + static_cast<Row>(event + before);
    }
    // The page's event of a store event, or none.
    int pageEvent(Row event) const
    {
        if (event == store::none || event < first_)
            return none;
        const auto found = std::lower_bound(skipped_.begin(), skipped_.end(), event);
        if (found != skipped_.end() && *found == event)
            return none;
        const size_t page = static_cast<size_t>(event - first_) - static_cast<size_t>(found - skipped_.begin());
        return page < count_ ? static_cast<int>(page) : none;
    }
    // The page's first event at or after a store event (its last for one
    // after them all), or none before the page's first.
    int pageEventFrom(Row event) const
    {
        if (event < first_ || count_ == 0)
            return none;
        const auto skippedBefore = std::lower_bound(skipped_.begin(), skipped_.end(), event) - skipped_.begin();
        const auto page = static_cast<size_t>(event - first_ - skippedBefore);
        return static_cast<int>(std::min(page, count_ - 1));
    }
    int kind(Row event) const { return store_.events.kind[static_cast<size_t>(event)]; }
    Row instanceOf(Row event) const { return store_.events.instance[static_cast<size_t>(event)]; }
    Row peerOf(Row event) const { return store_.events.peer[static_cast<size_t>(event)]; }
    Row partnerOf(Row event) const { return store_.events.partner[static_cast<size_t>(event)]; }
    Row ownerOf(Row event) const { return store_.events.owner[static_cast<size_t>(event)]; }
    const store::InstanceRow& instance(Row row) const { return store_.instances[static_cast<size_t>(row)]; }
    QString storeText(std::int64_t id) const { return QString::fromUtf8(store_.text(id)); }
    QString looksText(std::int32_t id) const { return id == PageLooks::none ? QString() : looks_.texts[size_t(id)]; }
    // The lifeline column of an instance row (none for the world actor);
    // -1 for the edge or an instance without one.
    int columnOf(Row instance) const { return plan_->columnOf(instance); }
    int pageColumn(Row instance, bool& edge) const
    {
        const int column = columnOf(instance);
        edge = column < 0;
        return column < 0 ? none : column;
    }
    // The instance a note or glyph shows on: its owner's, when that is an
    // instance or a deletion.
    Row attachedInstance(Row event) const
    {
        const Row owner = ownerOf(event);
        if (owner == store::none)
            return store::none;
        const int ownerKind = kind(owner);
        return ownerKind == TDF_INSTANCE || ownerKind == TDF_INSTANCE_DELETE ? instanceOf(owner) : store::none;
    }
    bool hasMessage(Row call) const
    {
        const auto& calls = looks_.calls;
        return std::binary_search(calls.begin(), calls.end(), PageLooks::Call{call, 0},
                                  [](const PageLooks::Call& a, const PageLooks::Call& b) { return a.event < b.event; });
    }
    bool notCompleted(Row call) const { return hasMessage(call) && partnerOf(call) == store::none; }
    const store::LoopRow* loopOf(Row start) const
    {
        const auto& loops = store_.loops;
        const auto found = std::lower_bound(loops.begin(), loops.end(), start,
                                            [](const store::LoopRow& row, Row key) { return row.startEvent < key; });
        return found != loops.end() && found->startEvent == start ? &*found : nullptr;
    }

    // The instances an event is drawn on, in the order the model gives
    // them; none stands for the world actor.
    void involved(Row event, std::vector<Row>& out, size_t& member) const;
    QString labelOf(Row event) const;
    // The column plan: one walk gives the first and last event drawn on
    // each instance.
    void planColumns(bool world);
    // An event's link, style and label in the page's tables; the first
    // call for each event in trace order adds what they lack.
    int linkAt(Row event);
    int styleAt(Row event);
    int labelAt(Row event);
    QString loopLabel(Row start) const;
    unsigned long long timeOf(Row event) const;
    // An event's values in the page's columns (see PageData).
    int fromAt(Row event) const;
    int toAt(Row event) const;
    int partnerAt(Row event) const;
    int ownerAt(Row event) const;
    int threadAt(Row event) const;
    int flagsAt(Row event) const;
    // A synchronisation's count of members with a column, then the columns.
    void appendMemberColumns(const std::vector<Row>& members, std::vector<int>& out) const;
};

int PageData::Source::fromAt(Row event) const
{
    bool edge = false;
    switch (kind(event)) {
    case TDF_MESSAGE:
    case TDF_MESSAGE_CALL:
    case TDF_INSTANCE:
    case TDF_INSTANCE_DELETE:
    case TDF_ACTION:
        return pageColumn(instanceOf(event), edge);
    case TDF_MESSAGE_RETURN:
        return partnerOf(event) != store::none ? pageColumn(instanceOf(event), edge) : none;
    case TDF_NOTE:
    case TDF_GLYPH: {
        const Row owner = ownerOf(event);
        return owner != store::none && kind(owner) == TDF_INSTANCE ? pageColumn(instanceOf(owner), edge) : none;
    }
    default:
        return none;
    }
}

int PageData::Source::toAt(Row event) const
{
    bool edge = false;
    const int kind = this->kind(event);
    if (kind == TDF_MESSAGE || (kind == TDF_MESSAGE_RETURN && partnerOf(event) != store::none))
        return pageColumn(peerOf(event), edge);
    return none;
}

int PageData::Source::partnerAt(Row event) const
{
    const int kind = this->kind(event);
    if (kind == TDF_MESSAGE || kind == TDF_MESSAGE_RETURN || kind == TDF_MESSAGE_CALL)
        return pageEvent(partnerOf(event));
    return none;
}

int PageData::Source::ownerAt(Row event) const
{
    const int kind = this->kind(event);
    if (kind != TDF_NOTE && kind != TDF_GLYPH)
        return none;
    const Row owner = ownerOf(event);
    return owner != store::none && this->kind(owner) != TDF_INSTANCE ? pageEvent(owner) : none;
}

int PageData::Source::threadAt(Row event) const
{
    const int kind = this->kind(event);
    const Row thread = store_.events.thread[static_cast<size_t>(event)];
    if (thread != store::none && (kind == TDF_MESSAGE || kind == TDF_MESSAGE_RETURN || kind == TDF_THREAD_INFO))
        return static_cast<int>(thread - firstThread_);
    return none;
}

int PageData::Source::flagsAt(Row event) const
{
    const unsigned stored = store_.events.flags[static_cast<size_t>(event)];
    const auto edge = [this](Row instance, int flag) { return columnOf(instance) < 0 ? flag : 0; };
    switch (kind(event)) {
    case TDF_MESSAGE:
        return edge(instanceOf(event), eventFlag::fromEdge) | edge(peerOf(event), eventFlag::toEdge) |
               ((stored & store::eventFlag::completesCall) ? eventFlag::completesCall : 0);
    case TDF_MESSAGE_RETURN:
        return partnerOf(event) != store::none
                   ? edge(instanceOf(event), eventFlag::fromEdge) | edge(peerOf(event), eventFlag::toEdge)
                   : 0;
    case TDF_MESSAGE_CALL:
        return notCompleted(event) ? eventFlag::notCompleted : 0;
    case TDF_ACTION:
        return edge(instanceOf(event), eventFlag::fromEdge);
    case TDF_GLYPH:
        return (stored & store::eventFlag::alarm) ? eventFlag::alarm : 0;
    default:
        return 0;
    }
}

void PageData::Source::appendMemberColumns(const std::vector<Row>& members, std::vector<int>& out) const
{
    const size_t countAt = out.size();
    out.push_back(0);
    for (const Row instance : members) {
        const int column = columnOf(instance);
        if (column >= 0)
            out.push_back(column);
    }
    out[countAt] = static_cast<int>(out.size() - countAt - 1);
}

void PageData::Source::involved(Row event, std::vector<Row>& out, size_t& member) const
{
    out.clear();
    switch (kind(event)) {
    case TDF_INSTANCE:
    case TDF_MESSAGE_CALL:
    case TDF_ACTION:
        out.push_back(instanceOf(event));
        break;
    case TDF_MESSAGE:
        out.push_back(instanceOf(event));
        out.push_back(peerOf(event));
        break;
    case TDF_MESSAGE_RETURN:
        // From the message's receiver back to its sender.
        if (partnerOf(event) != store::none) {
            out.push_back(peerOf(event));
            out.push_back(instanceOf(event));
        }
        break;
    case TDF_INSTANCE_DELETE:
        if (instanceOf(event) != store::none)
            out.push_back(instanceOf(event));
        break;
    case TDF_SYNCHRONISATION: {
        const auto& members = store_.members;
        while (member < members.size() && members[member].event < event)
            ++member;
        for (; member < members.size() && members[member].event == event; ++member)
            out.push_back(members[member].instance);
        break;
    }
    case TDF_NOTE:
    case TDF_GLYPH:
        if (const Row instance = attachedInstance(event); instance != store::none)
            out.push_back(instance);
        break;
    default:
        break;
    }
}

unsigned long long PageData::Source::timeOf(Row event) const
{
    // An NI that gives an instance its model stamps the instance anew; one
    // that a message made came to be with it, and keeps the message's time
    // so that the axis runs forwards.
    if (kind(event) == TDF_INSTANCE && instanceOf(event) != store::none) {
        const PageLooks::Instance& instance = looks_.instances[static_cast<size_t>(instanceOf(event))];
        return instance.creationMessage != store::none
                   ? store_.events.time[static_cast<size_t>(instance.creationMessage)]
                   : instance.time;
    }
    return store_.events.time[static_cast<size_t>(event)];
}

QString PageData::Source::loopLabel(Row start) const
{
    const store::LoopRow* loop = loopOf(start);
    const QString name = looksText(looks_.label[static_cast<size_t>(start)]);
    return loop ? loopName(name, loop->loopId, loop->iterations) : name;
}

QString PageData::Source::labelOf(Row event) const
{
    const QString lasting = looksText(looks_.label[static_cast<size_t>(event)]);
    switch (kind(event)) {
    case TDF_INSTANCE: {
        const Row row = instanceOf(event);
        return row == store::none ? QString() : instanceTitle(instance(row).name, instance(row).dynamicId);
    }
    case TDF_MESSAGE_CALL:
        return notCompleted(event) ? uncompletedCallLabel(lasting) : lasting;
    case TDF_NEW_TRACE: {
        const auto marker = std::lower_bound(traceMarkers_.begin(), traceMarkers_.end(), pageEvent(event));
        return QStringLiteral("trace %1 of %2")
            .arg(firstTrace_ + (marker - traceMarkers_.begin()) + 2)
            .arg(firstTrace_ + static_cast<std::int64_t>(traceMarkers_.size()) + 1);
    }
    case TDF_LOOP_START:
        return loopLabel(event);
    case TDF_LOOP_END:
        return ownerOf(event) == store::none ? QString() : loopLabel(ownerOf(event));
    case TDF_THREAD_INFO: {
        const Row thread = store_.events.thread[static_cast<size_t>(event)];
        if (thread == store::none)
            return threadChangeLabel(QStringLiteral("?"), lasting);
        const store::ThreadRow& row = store_.threads[static_cast<size_t>(thread)];
        return threadChangeLabel(threadTitle(row.name, row.number), lasting);
    }
    default:
        return lasting;
    }
}

int PageData::Source::linkAt(Row event)
{
    Tables& tables = *tables_;
    // Its own link is the page's first, also where another replaces it.
    const int kind = this->kind(event);
    const Row instance = instanceOf(event);
    // An instance's link is the one its model gave it last.
    const int own = kind == TDF_INSTANCE && instance != store::none
                        ? tables.looksText(looks_.instances[static_cast<size_t>(instance)].link)
                        : tables.storeText(store_.events.link[static_cast<size_t>(event)]);
    if (kind != TDF_MESSAGE_CALL)
        return own;
    // A call shows its message's link: the completing message's, else the
    // one it had when called.
    if (const Row message = partnerOf(event); message != store::none)
        return tables.storeText(store_.events.link[static_cast<size_t>(message)]);
    const auto found = std::lower_bound(looks_.calls.begin(), looks_.calls.end(), event,
                                        [](const PageLooks::Call& call, Row key) { return call.event < key; });
    return found != looks_.calls.end() && found->event == event ? tables.looksText(found->link) : none;
}

int PageData::Source::styleAt(Row event)
{
    // A completed call is painted as its message.
    const Row message = kind(event) == TDF_MESSAGE_CALL ? partnerOf(event) : store::none;
    return tables_->style(looks_.look[static_cast<size_t>(message != store::none ? message : event)]);
}

int PageData::Source::labelAt(Row event)
{
    switch (kind(event)) {
    case TDF_INSTANCE:
    case TDF_MESSAGE_CALL:
    case TDF_LOOP_START:
    case TDF_LOOP_END:
    case TDF_THREAD_INFO:
        return tables_->text(labelOf(event));
    default:
        return tables_->looksText(looks_.label[static_cast<size_t>(event)]);
    }
}

void PageData::Source::planColumns(bool world)
{
    // The column plan: one walk gives the first and last event drawn on
    // each instance.
    struct Use {
        Row instance;
        long long firstShown;
        long long lastShown;
        bool created;
    };
    std::vector<Use> uses;
    std::unordered_map<Row, size_t> useOf;
    std::vector<Row> instancesOf;
    size_t member = 0;
    const long long count = static_cast<long long>(this->count());
    for (long long event = 0; event < count; ++event) {
        const Row row = rowAt(static_cast<size_t>(event));
        involved(row, instancesOf, member);
        for (const Row instance : instancesOf) {
            if (instance == store::none)
                continue;
            const auto [found, added] = useOf.try_emplace(instance, uses.size());
            if (added)
                uses.push_back({instance, event, event, false});
            Use& use = uses[found->second];
            use.lastShown = event;
            use.created = use.created || (kind(row) == TDF_INSTANCE && instanceOf(row) == instance);
        }
    }
    std::vector<Plan::Occupant> byStart;
    std::vector<Plan::Occupant> later;
    for (const Use& use : uses) {
        Plan::Occupant occupant;
        occupant.instance = use.instance;
        occupant.first = use.created ? use.firstShown : Plan::top;
        const int deletion = endOf(use.instance);
        occupant.deletion = deletion == none ? count : deletion;
        occupant.last = occupant.deletion == count ? count : std::max(use.lastShown, occupant.deletion);
        (occupant.first == Plan::top ? byStart : later).push_back(occupant);
    }
    // Those there at the top in the order they were created, then the
    // others as they come.
    std::stable_sort(byStart.begin(), byStart.end(), [this](const Plan::Occupant& a, const Plan::Occupant& b) {
        return instance(a.instance).created < instance(b.instance).created;
    });
    byStart.insert(byStart.end(), later.begin(), later.end());
    plan_ = std::make_unique<Plan>(byStart, count, world, store::none, [this](const Row& row) {
        return instanceTitle(instance(row).name, instance(row).dynamicId);
    });
}

PageData::PageData(const store::EventStore& store, const PageLooks& looks, const QString& title, Sections sections)
    : source_(std::make_unique<Source>(store, looks))
{
    Source& source = *source_;
    // Every trace of the file, one after another, each after its new-trace
    // marker; or the last one alone.
    const auto& kinds = store.events.kind;
    std::int64_t lastTrace = 0;
    for (size_t event = 0; event < kinds.size(); ++event)
        lastTrace += kinds[event] == TDF_NEW_TRACE ? 1 : 0;
    size_t first = 0;
    if (sections == Sections::last) {
        first = kinds.size();
        while (first > 0 && kinds[first - 1] != TDF_NEW_TRACE)
            --first;
    }
    const std::int64_t firstTrace = sections == Sections::last ? lastTrace : 0;
    source.first_ = static_cast<Row>(first);
    for (size_t event = first; event < kinds.size(); ++event) {
        if (!isDrawnKind(kinds[event])) {
            source.skippedAt_.push_back(event - first - source.skipped_.size());
            source.skipped_.push_back(static_cast<Row>(event));
        }
    }
    source.count_ = kinds.size() - first - source.skipped_.size();
    for (size_t event = first; event < kinds.size(); ++event) {
        if (kinds[event] == TDF_NEW_TRACE)
            source.traceMarkers_.push_back(source.pageEvent(static_cast<Row>(event)));
    }
    traces = static_cast<int>(source.traceMarkers_.size()) + 1;
    source.firstTrace_ = firstTrace;
    for (const store::ThreadRow& thread : store.threads) {
        if (thread.trace >= firstTrace) {
            source.firstThread_ = thread.id;
            break;
        }
    }
    for (const store::ThreadRow& thread : store.threads) {
        if (thread.trace < firstTrace)
            continue;
        const QString& name = thread.name;
        threadNames.push_back(name.isEmpty() ? QStringLiteral("#%1").arg(thread.number) : singleLine(name));
        threadColors.push_back(svgColor(StylePalette::threadColor(thread.colour)));
    }

    source.planColumns(looks.world);
    std::vector<Row> instancesOf;
    const long long count = static_cast<long long>(source.count());
    world = source.plan_->hasWorld();
    columns = source.plan_->columns();
    this->title = title.isEmpty() ? QStringLiteral("trace") : singleLine(title);
    caption = this->title;
    if (looks.configured)
        caption += QStringLiteral(" \u2014 ") + singleLine(looks.configuration);

    // Texts and styles in the order the events, the lifelines and the
    // loops use them: an event's own link, a call's message's, its label.
    // The columns of the events find them again when they are written.
    source.tables_ = std::make_unique<Tables>(*this, store, looks);
    Tables& tables = *source.tables_;
    for (size_t page = 0; page < source.count(); ++page) {
        const Row row = source.rowAt(page);
        source.linkAt(row);
        source.styleAt(row);
        source.labelAt(row);
    }

    // Plain times (no format, or no unit to lay them out in) the page
    // writes itself: the number and the unit text after it.
    const auto strTime = [&looks](unsigned long long time) {
        return TDF::strTime(looks.timeFormat, looks.timeUnit, looks.timeUnitText, time);
    };
    const QString zero = strTime(0);
    bool plain = zero.startsWith(QLatin1Char('0')) &&
                 (isBlankTimeFormat(looks.timeFormat) || looks.timeUnit < UNIT_HOUR ||
                  looks.timeUnit > UNIT_PICOSECOND);
    for (size_t page = 0; page < source.count(); ++page)
        plain = plain && source.timeOf(source.rowAt(page)) < exactInScript;
    if (plain) {
        timeUnit = singleLine(zero.mid(1));
    } else {
        QHash<QString, int> index;
        std::vector<int>& out = source.timeText_;
        out.reserve(source.count());
        unsigned long long previous = 0;
        for (size_t page = 0; page < source.count(); ++page) {
            const Row row = source.rowAt(page);
            const unsigned long long time = source.timeOf(row);
            if (!out.empty() && time == previous) {
                out.push_back(out.back());
                continue;
            }
            previous = time;
            const QString text = singleLine(strTime(time));
            const auto found = index.constFind(text);
            if (found != index.constEnd()) {
                out.push_back(found.value());
            } else {
                out.push_back(static_cast<int>(timeTexts.size()));
                index.insert(text, out.back());
                timeTexts.push_back(text);
            }
        }
    }

    // Lifelines column by column, each column's occupants top down, with
    // their bars: from the creating message, then the recorded bounds.
    barStyle = tables.style(looks.barLook);
    // The recorded bounds of each instance row: from boundStart[row] on.
    std::vector<size_t> boundStart(looks.instances.size() + 1, 0);
    for (const PageLooks::Bound& bound : looks.bounds)
        ++boundStart[static_cast<size_t>(bound.instance) + 1];
    for (size_t row = 1; row < boundStart.size(); ++row)
        boundStart[row] += boundStart[row - 1];
    std::vector<std::int32_t> boundEvents(looks.bounds.size());
    {
        std::vector<size_t> next(boundStart.begin(), boundStart.end() - 1);
        for (const PageLooks::Bound& bound : looks.bounds)
            boundEvents[next[static_cast<size_t>(bound.instance)]++] = bound.event;
    }
    for (int column = 0; column < columns; ++column) {
        for (const Plan::Occupant& occupant : source.plan_->occupants(column)) {
            const int lifeline = static_cast<int>(lifelines.column.size());
            lifelines.column.push_back(column);
            lifelines.start.push_back(occupant.first == Plan::top ? none : static_cast<int>(occupant.first));
            const bool deleted = occupant.deletion >= 0 && occupant.deletion < count;
            lifelines.end.push_back(deleted ? static_cast<int>(occupant.deletion) : none);
            lifelines.last.push_back(deleted && occupant.last > occupant.deletion && occupant.last < count
                                         ? static_cast<int>(occupant.last)
                                         : none);
            if (occupant.instance == store::none) {
                lifelines.title.push_back(tables.text(QStringLiteral("World")));
                lifelines.tooltip.push_back(lifelines.title.back());
                lifelines.link.push_back(none);
                lifelines.titleStyle.push_back(tables.style(looks.worldLook));
                lifelines.lineStyle.push_back(tables.style(looks.worldLook));
                lifelines.crossStyle.push_back(none);
                lifelines.id.push_back(0);
                continue;
            }
            const store::InstanceRow& instance = source.instance(occupant.instance);
            const PageLooks::Instance& shown = looks.instances[static_cast<size_t>(occupant.instance)];
            const QString& name = instance.name;
            lifelines.title.push_back(tables.text(occupant.showsId ? identifiedTitle(name, instance.dynamicId)
                                                                   : instanceTitle(name, instance.dynamicId)));
            lifelines.tooltip.push_back(tables.text(identifiedTitle(name, instance.dynamicId)));
            lifelines.link.push_back(tables.text(source.looksText(shown.link)));
            lifelines.titleStyle.push_back(tables.style(shown.titleLook));
            lifelines.lineStyle.push_back(tables.style(looks.lineLook));
            // No cross where only the trace ends.
            const bool crossed = deleted && instance.deleted != store::none &&
                                 source.pageEvent(instance.deleted) == static_cast<int>(occupant.deletion);
            lifelines.crossStyle.push_back(
                crossed ? tables.style(looks.look[static_cast<size_t>(instance.deleted)]) : none);
            lifelines.id.push_back(instance.dynamicId);
            if (!shown.bars)
                continue;
            std::vector<int> bounds;
            if (shown.creationMessage != store::none)
                bounds.push_back(source.pageEvent(shown.creationMessage));
            const size_t row = static_cast<size_t>(occupant.instance);
            for (size_t k = boundStart[row]; k < boundStart[row + 1]; ++k)
                bounds.push_back(source.pageEvent(boundEvents[k]));
            for (size_t k = 0; k < bounds.size(); k += 2) {
                bars.lifeline.push_back(lifeline);
                bars.start.push_back(bounds[k]);
                bars.end.push_back(k + 1 < bounds.size() ? bounds[k + 1] : none);
            }
        }
    }

    // Loops: one pass with the open loops on a stack: an event widens the
    // innermost open loop, a closing loop widens the one around it.
    struct Open {
        int loop;
        int left;
        int right;
    };
    std::vector<Open> open;
    const auto widen = [](Open& frame, int column) {
        frame.left = std::min(frame.left, column);
        frame.right = std::max(frame.right, column);
    };
    const auto close = [&]() {
        const Open frame = open.back();
        open.pop_back();
        loops.left[size_t(frame.loop)] = frame.left;
        loops.right[size_t(frame.loop)] = frame.right;
        if (!open.empty() && frame.left <= frame.right) {
            widen(open.back(), frame.left);
            widen(open.back(), frame.right);
        }
    };
    size_t member = 0;
    for (size_t i = 0; i < source.count(); ++i) {
        const Row row = source.rowAt(i);
        const int kind = source.kind(row);
        if (kind == TDF_LOOP_END) {
            const int start = source.pageEvent(source.ownerOf(row));
            const auto match = std::find_if(open.begin(), open.end(),
                                            [&](const Open& frame) { return loops.start[size_t(frame.loop)] == start; });
            if (start != none && match != open.end()) {
                while (open.size() > static_cast<size_t>(match - open.begin()))
                    close();
            }
            continue;
        }
        if (kind == TDF_NEW_TRACE) {
            // The loops a trace leaves open end with it.
            for (const Open& frame : open) {
                if (loops.end[size_t(frame.loop)] == none)
                    loops.end[size_t(frame.loop)] = static_cast<int>(i);
            }
            while (!open.empty())
                close();
            continue;
        }
        if (kind == TDF_LOOP_START) {
            const Row end = source.partnerOf(row);
            loops.start.push_back(static_cast<int>(i));
            loops.end.push_back(source.pageEvent(end));
            loops.left.push_back(INT_MAX);
            loops.right.push_back(INT_MIN);
            loops.parent.push_back(open.empty() ? none : open.back().loop);
            loops.label.push_back(tables.text(source.loopLabel(row)));
            loops.link.push_back(tables.storeText(store.events.link[static_cast<size_t>(row)]));
            loops.style.push_back(tables.style(looks.look[static_cast<size_t>(row)]));
            loops.endStyle.push_back(
                tables.style(end != store::none ? looks.look[static_cast<size_t>(end)] : looks.loopEndLook));
            open.push_back({static_cast<int>(loops.start.size()) - 1, INT_MAX, INT_MIN});
            if (const Row instance = source.instanceOf(row); instance != store::none) {
                const int column = source.columnOf(instance);
                if (column >= 0)
                    widen(open.back(), column);
            }
            continue;
        }
        if (open.empty())
            continue;
        source.involved(row, instancesOf, member);
        for (const Row instance : instancesOf)
            widen(open.back(), source.columnOf(instance));
    }
    while (!open.empty())
        close();
    // Nothing inside: the page gives the frame a place of its own.
    for (size_t k = 0; k < loops.left.size(); ++k) {
        if (loops.left[k] > loops.right[k]) {
            loops.left[k] = 1;
            loops.right[k] = 0;
        }
    }
}

PageData::~PageData() = default;

long long PageData::events() const
{
    return static_cast<long long>(source_->count());
}

// Each column is one of the event's values, for every event in turn.
template <class Value, class Of>
std::vector<Value> PageData::column(Of&& valueOf) const
{
    const Source& source = *source_;
    std::vector<Value> out;
    out.reserve(source.count());
    for (size_t page = 0; page < source.count(); ++page)
        out.push_back(static_cast<Value>(valueOf(source.rowAt(page))));
    return out;
}

std::vector<std::uint8_t> PageData::kind() const
{
    return column<std::uint8_t>([this](Row row) { return source_->kind(row); });
}

std::vector<unsigned long long> PageData::time() const
{
    return column<unsigned long long>([this](Row row) { return source_->timeOf(row); });
}

std::vector<int> PageData::from() const
{
    return column<int>([this](Row row) { return source_->fromAt(row); });
}

std::vector<int> PageData::to() const
{
    return column<int>([this](Row row) { return source_->toAt(row); });
}

std::vector<int> PageData::style() const
{
    return column<int>([this](Row row) { return source_->styleAt(row); });
}

std::vector<int> PageData::label() const
{
    return column<int>([this](Row row) { return source_->labelAt(row); });
}

std::vector<int> PageData::link() const
{
    return column<int>([this](Row row) { return source_->linkAt(row); });
}

std::vector<int> PageData::partner() const
{
    return column<int>([this](Row row) { return source_->partnerAt(row); });
}

std::vector<int> PageData::owner() const
{
    return column<int>([this](Row row) { return source_->ownerAt(row); });
}

std::vector<int> PageData::thread() const
{
    return column<int>([this](Row row) { return source_->threadAt(row); });
}

std::vector<int> PageData::flags() const
{
    return column<int>([this](Row row) { return source_->flagsAt(row); });
}

const std::vector<int>& PageData::timeText() const
{
    return source_->timeText_;
}

std::vector<int> PageData::members() const
{
    const Source& source = *source_;
    std::vector<int> out;
    std::vector<Row> members;
    size_t member = 0;
    for (size_t page = 0; page < source.count(); ++page) {
        const Row row = source.rowAt(page);
        if (source.kind(row) != TDF_SYNCHRONISATION)
            continue;
        source.involved(row, members, member);
        source.appendMemberColumns(members, out);
    }
    return out;
}

PageData::Event PageData::event(long long index) const
{
    Source& source = *source_;
    const Row row = source.rowAt(static_cast<size_t>(index));
    Event out;
    out.kind = source.kind(row);
    out.time = source.timeOf(row);
    out.from = source.fromAt(row);
    out.to = source.toAt(row);
    out.style = source.styleAt(row);
    out.label = source.labelAt(row);
    out.link = source.linkAt(row);
    out.partner = source.partnerAt(row);
    out.owner = source.ownerAt(row);
    out.thread = source.threadAt(row);
    out.flags = source.flagsAt(row);
    out.timeText = source.timeText_.empty() ? none : source.timeText_[static_cast<size_t>(index)];
    return out;
}

unsigned long long PageData::timeAt(long long index) const
{
    return source_->timeOf(source_->rowAt(static_cast<size_t>(index)));
}

std::vector<int> PageData::membersOf(long long index) const
{
    const Source& source = *source_;
    const Row row = source.rowAt(static_cast<size_t>(index));
    std::vector<int> out;
    if (source.kind(row) != TDF_SYNCHRONISATION)
        return out;
    const auto& members = source.store_.members;
    size_t member = static_cast<size_t>(
        std::lower_bound(members.begin(), members.end(), row,
                         [](const store::MemberRow& entry, Row key) { return entry.event < key; }) -
        members.begin());
    std::vector<Row> instances;
    source.involved(row, instances, member);
    source.appendMemberColumns(instances, out);
    return out;
}

void PageData::setProblems(const ReadingProblems& reported)
{
    const Source& source = *source_;
    problems.clear();
    for (const ReadingProblem& problem : reported.listed) {
        if (problems.size() == listedProblems)
            break;
        problems.push_back({problem.file, problem.line, problem.error, problem.message,
                            source.pageEventFrom(static_cast<Row>(problem.storeEvent))});
    }
    problemCount = std::max<long long>(reported.count, static_cast<long long>(problems.size()));
}
