#include "event_store.h"

#include <algorithm>

namespace store {

void EventStore::event(const EventRow& row, const StringTable&)
{
    events.kind.push_back(static_cast<std::uint8_t>(row.kind));
    events.time.push_back(row.time);
    events.line.push_back(row.line);
    events.trace.push_back(static_cast<std::int32_t>(row.trace));
    events.instance.push_back(row.instance);
    events.peer.push_back(row.peer);
    events.name.push_back(static_cast<std::int32_t>(row.name));
    events.link.push_back(static_cast<std::int32_t>(row.link));
    events.style.push_back(static_cast<std::int32_t>(row.style));
    events.thread.push_back(static_cast<std::int32_t>(row.thread));
    events.owner.push_back(row.owner);
    // A return's message and a loop end's loop are handed out before the
    // event itself, and have named it as a partner already.
    if (events.partner.size() < events.kind.size())
        events.partner.push_back(none);
    events.flags.push_back(static_cast<std::uint8_t>(row.flags));
}

void EventStore::instance(const InstanceRow& row, const StringTable&)
{
    instances.push_back(row);
}

void EventStore::pair(std::int64_t a, std::int64_t b)
{
    std::vector<std::int64_t>& partner = events.partner;
    const size_t last = static_cast<size_t>(std::max(a, b));
    if (partner.size() <= last)
        partner.resize(last + 1, none);
    partner[static_cast<size_t>(a)] = b;
    partner[static_cast<size_t>(b)] = a;
}

void EventStore::message(const MessageRow& row, const StringTable&)
{
    messages.push_back(row);
    if (row.callEvent != none)
        pair(row.event, row.callEvent);
    // The return is the message's partner, the call names the message.
    if (row.returnEvent != none)
        pair(row.event, row.returnEvent);
}

void EventStore::loop(const LoopRow& row, const StringTable&)
{
    loops.push_back(row);
    if (row.endEvent != none)
        pair(row.startEvent, row.endEvent);
}

void EventStore::thread(const ThreadRow& row, const StringTable&)
{
    threads.push_back(row);
}

void EventStore::member(const MemberRow& row)
{
    members.push_back(row);
}

void EventStore::finish(const StringTable& table)
{
    std::sort(instances.begin(), instances.end(), [](auto& a, auto& b) { return a.id < b.id; });
    std::sort(messages.begin(), messages.end(), [](auto& a, auto& b) { return a.event < b.event; });
    std::sort(loops.begin(), loops.end(), [](auto& a, auto& b) { return a.startEvent < b.startEvent; });
    std::sort(threads.begin(), threads.end(), [](auto& a, auto& b) { return a.id < b.id; });
    strings.clear();
    strings.reserve(table.size());
    for (size_t i = 0; i < table.size(); ++i)
        strings.push_back(table.text(static_cast<std::int64_t>(i)));
}

QByteArray EventStore::text(std::int64_t id) const
{
    return id == none ? QByteArray() : strings[static_cast<size_t>(id)];
}

}
