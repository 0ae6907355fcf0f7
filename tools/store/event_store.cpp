#include "event_store.h"

#include <algorithm>

namespace store {

std::int64_t StringTable::intern(const QString& text)
{
    if (text.isNull())
        return none;
    return recent_.find(text, [this](const QString& text) {
        const auto found = index_.constFind(text);
        if (found != index_.constEnd())
            return found.value();
        const std::int64_t id = static_cast<std::int64_t>(texts_.size());
        texts_.push_back(text.toUtf8());
        index_.insert(text, id);
        return id;
    });
}

void EventStore::event(const EventRow& row)
{
    events.kind.push_back(static_cast<std::uint8_t>(row.kind));
    events.time.push_back(row.time);
    if (contents_ == StoreContents::everything) {
        events.line.push_back(row.line);
        events.trace.push_back(static_cast<std::int32_t>(row.trace));
        events.name.push_back(static_cast<std::int32_t>(table_.intern(row.name)));
        events.style.push_back(static_cast<std::int32_t>(table_.intern(row.style)));
    }
    events.instance.push_back(static_cast<std::int32_t>(row.instance));
    events.peer.push_back(static_cast<std::int32_t>(row.peer));
    events.link.push_back(static_cast<std::int32_t>(table_.intern(row.link)));
    events.thread.push_back(static_cast<std::int32_t>(row.thread));
    events.owner.push_back(static_cast<std::int32_t>(row.owner));
    // A return's message and a loop end's loop are handed out before the
    // event itself, and have named it as a partner already.
    if (events.partner.size() < events.kind.size())
        events.partner.push_back(none);
    events.flags.push_back(static_cast<std::uint8_t>(row.flags));
}

void EventStore::instance(const InstanceRow& row)
{
    instances.push_back(row);
}

void EventStore::pair(std::int64_t a, std::int64_t b)
{
    ChunkedColumn<std::int32_t>& partner = events.partner;
    const size_t last = static_cast<size_t>(std::max(a, b));
    if (partner.size() <= last)
        partner.resize(last + 1, none);
    partner[static_cast<size_t>(a)] = static_cast<std::int32_t>(b);
    partner[static_cast<size_t>(b)] = static_cast<std::int32_t>(a);
}

void EventStore::deletedAgain(std::int64_t instance, std::int64_t event)
{
    const auto row = std::find_if(instances.rbegin(), instances.rend(),
                                  [instance](const InstanceRow& row) { return row.id == instance; });
    if (row != instances.rend())
        row->deleted = event;
}

void EventStore::message(const MessageRow& row)
{
    if (contents_ == StoreContents::everything)
        messages.push_back(row);
    if (row.callEvent != none)
        pair(row.event, row.callEvent);
    // The return is the message's partner, the call names the message.
    if (row.returnEvent != none)
        pair(row.event, row.returnEvent);
}

void EventStore::loop(const LoopRow& row)
{
    loops.push_back(row);
    if (row.endEvent != none)
        pair(row.startEvent, row.endEvent);
}

void EventStore::thread(const ThreadRow& row)
{
    threads.push_back(row);
}

void EventStore::member(const MemberRow& row)
{
    members.push_back(row);
}

void EventStore::finish()
{
    const StringTable& table = table_;
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
