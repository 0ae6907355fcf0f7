#include "store_reading.h"

#include "rewrite_reading.h"

#include <store_builder.h>
#include <tdf.h>

#include <sstream>
#include <type_traits>
#include <unordered_map>

namespace {

bool startsNewTrace(const TDF& reader, const std::string& line)
{
    return !reader.definitionMode && !reader.actionBlockMode && line.compare(0, 2, "NT") == 0;
}

// The whole model's objects as they stand: a test reads them only before
// the reader frees them.
ModelSection sectionOf(const TDF& reader)
{
    ModelSection section;
    std::unordered_map<const TDFObject*, long long> position;
    for (TDFObject* object : reader.objects)
        position.emplace(object, static_cast<long long>(position.size()));
    const auto at = [&position](const TDFObject* object) {
        const auto found = position.find(object);
        return found == position.end() ? -1LL : found->second;
    };
    for (TDFObject* object : reader.objects) {
        section.kinds.push_back(object->type);
        section.times.push_back(object->time);
        const TDFMessage* message = object->toMessage();
        section.returns.push_back(message ? at(message->messageReturn) : -1);
        TDFInstance* instance = object->toInstance();
        section.deletions.push_back(instance ? at(instance->deletion) : -1);
        section.dynamicIds.push_back(instance ? instance->id : 0);
        const TDFLoopStart* start = object->toLoopStart();
        section.loopEnds.push_back(start ? at(start->loopEnd) : -1);
        const TDFObject* owner = nullptr;
        if (const TDFNote* note = object->toNote())
            owner = note->owner;
        if (const TDFGlyph* glyph = object->toGlyph())
            owner = glyph->owner;
        section.owners.push_back(at(owner));
    }
    std::copy(reader.appendedObjects.begin(), reader.appendedObjects.end(), section.appended.begin());
    return section;
}

template <class T>
void show(std::ostream& out, const T& value)
{
    if constexpr (std::is_arithmetic_v<T>)
        out << +value;
    else
        out << value;
}

// Any column or table with size() and [].
template <class Column>
std::string columnDifference(const char* column, const Column& whole, const Column& streamed)
{
    if (whole.size() != streamed.size())
        return std::string(column) + ": " + std::to_string(whole.size()) + " whole, " +
               std::to_string(streamed.size()) + " streamed";
    for (size_t i = 0; i < whole.size(); ++i)
        if (!(whole[i] == streamed[i])) {
            std::ostringstream out;
            out << column << " differs at event " << i << ": ";
            show(out, whole[i]);
            out << " whole, ";
            show(out, streamed[i]);
            out << " streamed";
            return out.str();
        }
    return std::string();
}

// Rows compared field by field.
std::string rowText(const store::InstanceRow& row)
{
    std::ostringstream out;
    out << row.id << ' ' << row.dynamicId << ' ' << row.trace << ' ' << row.name.toStdString() << ' '
        << row.type.toStdString() << ' ' << row.created << ' ' << row.deleted;
    return out.str();
}

std::string rowText(const store::MessageRow& row)
{
    std::ostringstream out;
    out << row.event << ' ' << row.sender << ' ' << row.receiver << ' ' << row.name.toStdString() << ' '
        << row.staticId << ' ' << row.callEvent << ' ' << row.returnEvent << ' ' << row.sent << ' '
        << (row.returnEvent == store::none ? 0 : row.returned);
    return out.str();
}

std::string rowText(const store::LoopRow& row)
{
    std::ostringstream out;
    out << row.startEvent << ' ' << row.endEvent << ' ' << row.name.toStdString() << ' '
        << row.loopId.toStdString() << ' ' << row.iterations << ' ' << row.depth << ' ' << row.instance;
    return out.str();
}

std::string rowText(const store::ThreadRow& row)
{
    std::ostringstream out;
    out << row.id << ' ' << row.trace << ' ' << row.number << ' ' << row.name.toStdString() << ' '
        << row.colour;
    return out.str();
}

std::string rowText(const store::MemberRow& row)
{
    return std::to_string(row.event) + ' ' + std::to_string(row.instance);
}

template <class Row>
std::string tableDifference(const char* table, const std::vector<Row>& whole, const std::vector<Row>& streamed)
{
    for (size_t i = 0; i < whole.size() && i < streamed.size(); ++i) {
        const std::string a = rowText(whole[i]);
        const std::string b = rowText(streamed[i]);
        if (a != b)
            return std::string(table) + " row " + std::to_string(i) + "\n  whole:    " + a + "\n  streamed: " + b;
    }
    if (whole.size() != streamed.size())
        return std::string(table) + ": " + std::to_string(whole.size()) + " rows whole, " +
               std::to_string(streamed.size()) + " streamed";
    return std::string();
}

template <class Column>
std::vector<std::string> texts(const Column& column, const store::EventStore& store)
{
    std::vector<std::string> result;
    result.reserve(column.size());
    for (size_t i = 0; i < column.size(); ++i)
        result.push_back(column[i] == store::none ? "(null)" : store.text(column[i]).toStdString());
    return result;
}

}

StoreReading readStore(TCFList* configurations, const std::string& trace, bool streaming)
{
    StoreReading reading;
    TDF reader(configurations);
    reader.setStreaming(streaming);
    {
        store::StoreBuilder builder(reader, reading.store);
        for (const std::string& line : traceLines(trace)) {
            if (!streaming && startsNewTrace(reader, line))
                reading.sections.push_back(sectionOf(reader));
            TDF::ModelChangment change;
            builder.follow(reader.read(line.c_str(), nullptr, &change));
        }
        reader.reportOpenBlocks();
        builder.finish();
        reading.store.finish();
    }
    if (!streaming)
        reading.sections.push_back(sectionOf(reader));
    return reading;
}

std::string firstStoreDifference(const store::EventStore& whole, const store::EventStore& streamed)
{
    const store::EventStore::Events& a = whole.events;
    const store::EventStore::Events& b = streamed.events;
    for (const std::string& difference :
         {columnDifference("kind", a.kind, b.kind), columnDifference("time", a.time, b.time),
          columnDifference("line", a.line, b.line), columnDifference("trace", a.trace, b.trace),
          columnDifference("instance", a.instance, b.instance), columnDifference("peer", a.peer, b.peer),
          columnDifference("name", texts(a.name, whole), texts(b.name, streamed)),
          columnDifference("link", texts(a.link, whole), texts(b.link, streamed)),
          columnDifference("style", texts(a.style, whole), texts(b.style, streamed)),
          columnDifference("thread", a.thread, b.thread), columnDifference("owner", a.owner, b.owner),
          columnDifference("partner", a.partner, b.partner), columnDifference("flags", a.flags, b.flags),
          tableDifference("instance", whole.instances, streamed.instances),
          tableDifference("message", whole.messages, streamed.messages),
          tableDifference("loop", whole.loops, streamed.loops),
          tableDifference("thread", whole.threads, streamed.threads),
          tableDifference("member", whole.members, streamed.members)})
        if (!difference.empty())
            return difference;
    return std::string();
}
