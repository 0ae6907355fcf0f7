#include "html_page_data.h"

#include "activation_bounds.h"
#include "column_plan.h"
#include "event_window.h"
#include "html_page_json.h"
#include "involvement.h"
#include "json_string.h"
#include "labels.h"
#include "style_palette.h"
#include "svg_paint.h"
#include "text_fit.h"
#include "trace_order.h"

#include <tcf.h>
#include <tdf.h>
#include <tdf_db.h>
#include <tdf_objects.h>
#include <tdf_time.h>

#include <QHash>

#include <algorithm>
#include <climits>
#include <unordered_map>

namespace {

constexpr int none = PageData::none;
// Numbers above this lose digits in the page's script.
constexpr unsigned long long exactInScript = 1ULL << 53;

class Collector {
public:
    Collector(TDF& reader, const QString& title);
    PageData take() { return std::move(data_); }

private:
    void addEvent(int index, TDFObject* event);
    void addArrow(int index, const TDFInstance* from, const TDFInstance* to);
    void addAttachment(int index, TDFObject* owner);
    void addTimes();
    void addLifelines();
    void addBars(const TDFInstance* instance, int lifeline);
    void addLoops();

    int eventIndex(const TDFObject* object) const;
    int columnOf(const TDFInstance* instance, bool& edge) const;
    int text(const QString& value);
    int link(const TDFObject* object) { return object ? optionalText(object->link()) : none; }
    int optionalText(const QString& value) { return value.isEmpty() ? none : text(value); }
    int style(const Style* style);
    int thread(const TDFThread* thread) const;

    TDF& reader_;
    PageData data_;
    StylePalette palette_;
    TraceOrder order_;
    EventWindow window_;  // every event
    const std::vector<TDFObject*>& events_;
    std::vector<int> eventAt_;  // the event index of each list position, or none
    ColumnPlan plan_;
    QHash<QString, int> textIndex_;
    std::unordered_map<const Style*, int> styleIndex_;        // lives no longer than the configuration
    std::unordered_map<const TDFThread*, int> threadIndex_;   // ... than the reader
};

QByteArray styleJson(const Style& style)
{
    constexpr JsonStringUse use = JsonStringUse::HtmlScript;
    QByteArray json = "{\"line\":" + jsonString(svgColor(style.lineColor()), use) +
                      ",\"text\":" + jsonString(svgColor(style.textColor()), use) +
                      ",\"back\":" + jsonString(svgColor(style.backColor()), use) +
                      ",\"font\":" + jsonString(fontFamily(style), use) +
                      ",\"size\":" + QByteArray::number(fontSizeOf(style)) + ",\"bold\":" +
                      (style.isBold() ? "true" : "false") + ",\"italic\":" + (style.isItalic() ? "true" : "false") +
                      ",\"underline\":" + (style.isUnderline() ? "true" : "false") + ",\"dash\":[" +
                      dashPattern(style.lineStyle()).toLatin1() + "],\"head\":";
    switch (style.arrowStyle()) {
    case Style::OPEN_ARROW: json += "\"open\""; break;
    case Style::HALF_ARROW: json += "\"half\""; break;
    default: json += "\"plain\""; break;  // also for values outside the enumeration
    }
    return json + '}';
}

RenderOptions everything()
{
    RenderOptions options;
    options.maxEvents = LLONG_MAX;
    return options;
}

Collector::Collector(TDF& reader, const QString& title)
    : reader_(reader),
      palette_(reader.tcf),
      order_(reader.objects),
      window_(selectEvents(reader.objects, everything())),
      events_(window_.events),
      plan_(window_, order_, !reader.tcf || reader.tcf->displayWorldActor)
{
    eventAt_.assign(static_cast<size_t>(reader.objects.count), none);
    for (size_t i = 0; i < window_.positions.size(); ++i)
        eventAt_[static_cast<size_t>(window_.positions[i])] = static_cast<int>(i);
    data_.world = plan_.hasWorld();
    data_.columns = plan_.columns();
    data_.title = title.isEmpty() ? QStringLiteral("trace") : singleLine(title);
    data_.caption = data_.title;
    if (reader.tcf)
        data_.caption += QStringLiteral(" \u2014 ") + singleLine(reader.tcf->publicName());

    for (const TDFThread* thread : reader.threads) {
        threadIndex_.emplace(thread, static_cast<int>(data_.threadNames.size()));
        data_.threadNames.push_back(thread->name.isEmpty() ? QStringLiteral("#%1").arg(thread->num)
                                                           : singleLine(thread->name));
        data_.threadColors.push_back(svgColor(StylePalette::threadColor(thread->colorIndex)));
    }

    PageData::Events& out = data_.events;
    const size_t count = events_.size();
    out.kind.resize(count);
    out.time.resize(count);
    for (std::vector<int>* column : {&out.from, &out.to, &out.label, &out.link, &out.partner, &out.owner, &out.thread})
        column->assign(count, none);
    out.style.assign(count, 0);
    out.flags.assign(count, 0);
    for (size_t i = 0; i < count; ++i)
        addEvent(static_cast<int>(i), events_[i]);
    addTimes();
    addLifelines();
    addLoops();
}

int Collector::eventIndex(const TDFObject* object) const
{
    if (!object)
        return none;
    const long long position = order_.position(object);
    return position == TraceOrder::none ? none : eventAt_[static_cast<size_t>(position)];
}

int Collector::columnOf(const TDFInstance* instance, bool& edge) const
{
    const int column = plan_.columnOf(instance);
    edge = column < 0;
    return column < 0 ? none : column;
}

int Collector::text(const QString& value)
{
    const QString line = singleLine(value);
    const auto found = textIndex_.constFind(line);
    if (found != textIndex_.constEnd())
        return found.value();
    const int index = static_cast<int>(data_.strings.size());
    textIndex_.insert(line, index);
    data_.strings.push_back(line);
    return index;
}

int Collector::style(const Style* style)
{
    const auto found = styleIndex_.find(style);
    if (found != styleIndex_.end())
        return found->second;
    const int index = static_cast<int>(data_.styles.size());
    styleIndex_.emplace(style, index);
    data_.styles.push_back(styleJson(*style));
    return index;
}

int Collector::thread(const TDFThread* thread) const
{
    const auto found = threadIndex_.find(thread);
    return found == threadIndex_.end() ? none : found->second;
}

void Collector::addArrow(int index, const TDFInstance* from, const TDFInstance* to)
{
    PageData::Events& out = data_.events;
    bool edge = false;
    out.from[index] = columnOf(from, edge);
    if (edge)
        out.flags[index] |= eventFlag::fromEdge;
    out.to[index] = columnOf(to, edge);
    if (edge)
        out.flags[index] |= eventFlag::toEdge;
}

void Collector::addAttachment(int index, TDFObject* owner)
{
    if (!owner)
        return;
    PageData::Events& out = data_.events;
    if (const TDFInstance* instance = owner->toInstance()) {
        bool edge = false;
        out.from[index] = columnOf(instance, edge);
    } else {
        out.owner[index] = eventIndex(owner);
    }
}

void Collector::addEvent(int index, TDFObject* event)
{
    PageData::Events& out = data_.events;
    out.kind[index] = static_cast<std::uint8_t>(event->type);
    out.time[index] = event->time;
    const Style* timeStyle = palette_.byKind(TCF::OBJ_TIME);
    const Style* shown = palette_.byKind(TCF::OBJ_MESSAGE_BODY);
    int linkIndex = link(event);
    bool edge = false;
    switch (event->type) {
    case TDF_MESSAGE: {
        TDFMessage* message = event->toMessage();
        addArrow(index, message->sender, message->receiver);
        shown = palette_.of(message, TCF::OBJ_MESSAGE_BODY);
        out.thread[index] = thread(message->thread);
        if (message->call) {
            out.flags[index] |= eventFlag::completesCall;
            out.partner[index] = eventIndex(message->call);
        }
        if (message->messageReturn)
            out.partner[index] = eventIndex(message->messageReturn);
        break;
    }
    case TDF_MESSAGE_RETURN: {
        TDFMessageReturn* messageReturn = event->toMessageReturn();
        shown = palette_.of(messageReturn, TCF::OBJ_MESSAGE_RETURN);
        if (const TDFMessage* message = messageReturn->message) {
            addArrow(index, message->receiver, message->sender);
            out.thread[index] = thread(message->thread);
            out.partner[index] = eventIndex(message);
        }
        break;
    }
    case TDF_MESSAGE_CALL: {
        TDFMessageCall* call = event->toMessageCall();
        TDFMessage* message = call->message;
        out.from[index] = columnOf(message ? message->sender : nullptr, edge);
        shown = palette_.of(message, TCF::OBJ_MESSAGE_BODY);
        if (message && message->awaitingCompletion)
            out.flags[index] |= eventFlag::notCompleted;
        linkIndex = link(message);
        out.partner[index] = eventIndex(message);
        break;
    }
    case TDF_INSTANCE: {
        TDFInstance* instance = event->toInstance();
        out.from[index] = columnOf(instance, edge);
        shown = palette_.of(instance, TCF::OBJ_INSTANCE_TITLE);
        break;
    }
    case TDF_INSTANCE_DELETE:
        out.from[index] = columnOf(event->toInstanceDelete()->instance, edge);
        shown = palette_.of(event, TCF::OBJ_INSTANCE_DELETE);
        break;
    case TDF_INSTANCE_DELETE_ALL:
        shown = palette_.of(event, TCF::OBJ_INSTANCE_DELETE);
        break;
    case TDF_ACTION: {
        TDFAction* action = event->toAction();
        out.from[index] = columnOf(action->instance, edge);
        if (edge)
            out.flags[index] |= eventFlag::fromEdge;
        shown = palette_.of(action, TCF::OBJ_ACTION);
        break;
    }
    case TDF_SYNCHRONISATION: {
        TDFSynchronisation* synchronisation = event->toSynchronisation();
        std::vector<int> members;
        if (synchronisation->instances) {
            for (const TDFInstance* member : *synchronisation->instances) {
                const int column = columnOf(member, edge);
                if (!edge)
                    members.push_back(column);
            }
        }
        out.members.push_back(static_cast<int>(members.size()));
        out.members.insert(out.members.end(), members.begin(), members.end());
        shown = palette_.of(synchronisation, TCF::OBJ_SYNCHRONISATION);
        break;
    }
    case TDF_NOTE: {
        TDFNote* note = event->toNote();
        const bool onMessage =
            note->owner && (note->owner->type == TDF_MESSAGE || note->owner->type == TDF_MESSAGE_RETURN);
        shown = palette_.of(note, onMessage ? TCF::OBJ_MESSAGE_NOTE : TCF::OBJ_INSTANCE_NOTE);
        addAttachment(index, note->owner);
        break;
    }
    case TDF_GLYPH: {
        TDFGlyph* glyph = event->toGlyph();
        shown = palette_.of(glyph, TCF::OBJ_MESSAGE_NOTE);
        if (glyph->definition && glyph->definition->type != Glyph::GLYPH_NONE)
            out.flags[index] |= eventFlag::alarm;
        addAttachment(index, glyph->owner);
        break;
    }
    case TDF_THREAD_INFO: {
        TDFThreadInfo* info = event->toThreadInfo();
        shown = timeStyle;
        out.thread[index] = thread(info->thread);
        break;
    }
    case TDF_EXTERNAL_TRIGGER:
    case TDF_TRIGGER_START:
    case TDF_TRIGGER_STOP:
        shown = timeStyle;
        break;
    case TDF_LOOP_START:
        shown = palette_.of(event, TCF::OBJ_LOOP_START);
        break;
    case TDF_LOOP_END:
        shown = palette_.of(event, TCF::OBJ_LOOP_END);
        break;
    default:
        break;
    }
    out.style[index] = style(shown);
    out.label[index] = optionalText(eventLabel(event));
    out.link[index] = linkIndex;
}

void Collector::addTimes()
{
    // Plain times (no format, or no unit to lay them out in) the page
    // writes itself: the number and the unit text after it.
    const std::vector<unsigned long long>& times = data_.events.time;
    const QString zero = reader_.strTime(0);
    bool plain = zero.startsWith(QLatin1Char('0')) &&
                 (isBlankTimeFormat(reader_.timeFormat) || reader_.timeUnit < UNIT_HOUR ||
                  reader_.timeUnit > UNIT_PICOSECOND);
    for (const unsigned long long time : times)
        plain = plain && time < exactInScript;
    if (plain) {
        data_.timeUnit = singleLine(zero.mid(1));
        return;
    }
    QHash<QString, int> index;
    std::vector<int>& out = data_.events.timeText;
    out.reserve(times.size());
    for (size_t i = 0; i < times.size(); ++i) {
        if (i > 0 && times[i] == times[i - 1]) {
            out.push_back(out.back());
            continue;
        }
        const QString text = singleLine(reader_.strTime(times[i]));
        const auto found = index.constFind(text);
        if (found != index.constEnd()) {
            out.push_back(found.value());
        } else {
            out.push_back(static_cast<int>(data_.timeTexts.size()));
            index.insert(text, out.back());
            data_.timeTexts.push_back(text);
        }
    }
}

void Collector::addLifelines()
{
    // Column by column, each column's occupants top down; the bars of each.
    PageData::Lifelines& out = data_.lifelines;
    const Style* world = palette_.byKind(TCF::OBJ_WORLD);
    const Style* line = palette_.byKind(TCF::OBJ_INSTANCE_DESACTIVATED);
    data_.barStyle = style(palette_.byKind(TCF::OBJ_INSTANCE_ACTIVATED));
    for (int column = 0; column < plan_.columns(); ++column) {
        for (const ColumnPlan::Occupant& occupant : plan_.occupants(column)) {
            TDFInstance* instance = occupant.instance;
            const int lifeline = static_cast<int>(out.column.size());
            out.column.push_back(column);
            out.start.push_back(occupant.first == ColumnPlan::top ? none : static_cast<int>(occupant.first));
            // The page holds the whole trace: a deletion is one of its events.
            const bool deleted = occupant.deletion >= 0 && occupant.deletion < plan_.events();
            out.end.push_back(deleted ? static_cast<int>(occupant.deletion) : none);
            if (!instance) {
                out.title.push_back(text(QStringLiteral("World")));
                out.tooltip.push_back(out.title.back());
                out.link.push_back(none);
                out.titleStyle.push_back(style(world));
                out.lineStyle.push_back(style(world));
                out.crossStyle.push_back(none);
                out.id.push_back(0);
                continue;
            }
            out.title.push_back(text(occupant.showsId ? identifiedTitle(instance) : instanceTitle(instance)));
            out.tooltip.push_back(text(identifiedTitle(instance)));
            out.link.push_back(link(instance));
            out.titleStyle.push_back(style(palette_.of(instance, TCF::OBJ_INSTANCE_TITLE)));
            out.lineStyle.push_back(style(line));
            out.crossStyle.push_back(deleted ? style(palette_.of(instance->deletion, TCF::OBJ_INSTANCE_DELETE)) : none);
            out.id.push_back(instance->id);
            addBars(instance, lifeline);
        }
    }
}

void Collector::addBars(const TDFInstance* instance, int lifeline)
{
    const std::vector<const TDFObject*> bounds = activationBounds(instance);
    for (size_t k = 0; k < bounds.size(); k += 2) {
        data_.bars.lifeline.push_back(lifeline);
        data_.bars.start.push_back(eventIndex(bounds[k]));
        data_.bars.end.push_back(k + 1 < bounds.size() ? eventIndex(bounds[k + 1]) : none);
    }
}

void Collector::addLoops()
{
    // One pass with the open loops on a stack: an event widens the innermost
    // open loop, a closing loop widens the one around it.
    PageData::Loops& out = data_.loops;
    struct Open {
        int loop;
        int left;
        int right;
    };
    std::vector<Open> open;
    std::vector<TDFInstance*> involved;
    const auto widen = [](Open& frame, int column) {
        frame.left = std::min(frame.left, column);
        frame.right = std::max(frame.right, column);
    };
    const auto close = [&]() {
        const Open frame = open.back();
        open.pop_back();
        out.left[frame.loop] = frame.left;
        out.right[frame.loop] = frame.right;
        if (!open.empty() && frame.left <= frame.right) {
            widen(open.back(), frame.left);
            widen(open.back(), frame.right);
        }
    };
    bool edge = false;
    for (size_t i = 0; i < events_.size(); ++i) {
        TDFObject* event = events_[i];
        if (event->type == TDF_LOOP_END) {
            const int start = eventIndex(event->toLoopEnd()->loopStart);
            const auto match = std::find_if(open.begin(), open.end(),
                                            [&](const Open& frame) { return out.start[frame.loop] == start; });
            if (match != open.end()) {
                while (open.size() > static_cast<size_t>(match - open.begin()))
                    close();
            }
            continue;
        }
        if (event->type == TDF_LOOP_START) {
            TDFLoopStart* start = event->toLoopStart();
            out.start.push_back(static_cast<int>(i));
            out.end.push_back(eventIndex(start->loopEnd));
            out.left.push_back(INT_MAX);
            out.right.push_back(INT_MIN);
            out.parent.push_back(open.empty() ? none : open.back().loop);
            out.label.push_back(text(loopName(start)));
            out.link.push_back(link(start));
            out.style.push_back(style(palette_.of(start, TCF::OBJ_LOOP_START)));
            out.endStyle.push_back(style(start->loopEnd ? palette_.of(start->loopEnd, TCF::OBJ_LOOP_END)
                                                        : palette_.byKind(TCF::OBJ_LOOP_END)));
            open.push_back({static_cast<int>(out.start.size()) - 1, INT_MAX, INT_MIN});
            if (start->instance) {
                const int column = columnOf(start->instance, edge);
                if (!edge)
                    widen(open.back(), column);
            }
            continue;
        }
        if (open.empty())
            continue;
        involvedInstances(event, involved);
        for (const TDFInstance* instance : involved)
            widen(open.back(), columnOf(instance, edge));
    }
    while (!open.empty())
        close();
    // Nothing inside: the page gives the frame a place of its own.
    for (size_t k = 0; k < out.left.size(); ++k) {
        if (out.left[k] > out.right[k]) {
            out.left[k] = 1;
            out.right[k] = 0;
        }
    }
}

}

PageData collectPageData(TDF& reader, const QString& title)
{
    return Collector(reader, title).take();
}
