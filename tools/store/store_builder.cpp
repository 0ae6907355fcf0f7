#include "store_builder.h"

#include <style.h>
#include <tcf.h>
#include <tdf.h>
#include <tdf_db.h>
#include <tdf_objects.h>

#include <algorithm>
#include <functional>

namespace store {

namespace {

// The name a message shows: its own, else its static message's.
QString messageName(const TDFMessage* message)
{
    const QString name = message->name();
    if (!name.isNull() || !message->model)
        return name;
    return message->model->name;
}

// The name as the object gives it; notes and glyphs join their static text
// and their own name.
QString objectName(TDFObject* object)
{
    if (TDFNote* note = object->toNote())
        return note->name();
    if (TDFGlyph* glyph = object->toGlyph())
        return glyph->name();
    return object->name();
}

TDFInstance* instanceOf(TDFObject* object)
{
    switch (object->type) {
    case TDF_ACTION: return object->toAction()->instance;
    case TDF_TRIGGER_START: return object->toTriggerStart()->instance;
    case TDF_TRIGGER_STOP: return object->toTriggerStop()->instance;
    default: return nullptr;
    }
}

}

bool StoreBuilder::CompactKey::operator==(const CompactKey& other) const
{
    return thread == other.thread && staticId == other.staticId && sender == other.sender &&
           receiver == other.receiver && time == other.time;
}

size_t StoreBuilder::CompactKeyHash::operator()(const CompactKey& key) const
{
    size_t hash = std::hash<unsigned long long>()(key.time);
    for (const std::int64_t part : {key.thread, key.staticId, key.sender, key.receiver})
        hash = hash * 1000003u ^ std::hash<std::int64_t>()(part);
    return hash;
}

StoreBuilder::StoreBuilder(TDF& reader, StoreSink& sink) : reader_(reader), sink_(sink)
{
    reader_.setReleaseObserver([this](TDFObject* object) { released(object); });
}

StoreBuilder::~StoreBuilder()
{
    reader_.setReleaseObserver(nullptr);
}

void StoreBuilder::follow(TDFObject* result)
{
    if (result && result->type == TDF_NEW_TRACE) {
        // The reader has freed the whole model: nothing it named is left.
        closeTrace();
        ++trace_;
        appendedSeen_ = 0;
    }
    const unsigned long long appended = reader_.appendedObjectTotal();
    if (appended > appendedSeen_) {
        // The objects the line appended are the last ones listed (a
        // message made anew for its return is listed, not counted, first).
        lineObjects_.clear();
        const ListNode<TDFObject*>* node = reader_.objects.last();
        for (unsigned long long i = appendedSeen_; i < appended && node; ++i) {
            lineObjects_.push_back(node->value);
            node = node == reader_.objects.head ? nullptr : node->prev;
        }
        lineEvents_.clear();
        for (auto object = lineObjects_.rbegin(); object != lineObjects_.rend(); ++object)
            add(*object);
    }
    appendedSeen_ = appended;
    // An NI line may give an existing instance another model, and so its name.
    if (result && result->type == TDF_INSTANCE) {
        refreshInstance(result->toInstance());
        if (follower_)
            follower_->instanceChanged(result->toInstance(), instanceRow(result->toInstance()));
    }
}

void StoreBuilder::add(TDFObject* object)
{
    EventRow row{nextEvent_++, object->type, object->time, reader_.lineNumber, trace_, none, none,
                 QString(), QString(), QString(), none, none, 0};
    if (object->type != TDF_NEW_TRACE) {
        row.link = object->link();
        if (const Style* style = object->style())
            row.style = style->name();
    }
    switch (object->type) {
    case TDF_MESSAGE: addMessage(object->toMessage(), row); break;
    case TDF_MESSAGE_RETURN: addReturn(object, row); break;
    case TDF_MESSAGE_CALL: {
        TDFMessageCall* call = object->toMessageCall();
        if (const TDFMessage* message = call->message) {
            row.instance = instanceRow(message->sender);
            row.name = messageName(message);
        }
        eventOf_[call] = row.id;
        break;
    }
    case TDF_INSTANCE: addInstance(object->toInstance(), row); break;
    case TDF_INSTANCE_DELETE: {
        TDFInstance* instance = object->toInstanceDelete()->instance;
        row.instance = instanceRow(instance);
        addDeletion(instance, row.id);
        break;
    }
    case TDF_INSTANCE_DELETE_ALL:
        if (const TDFInstanceList* instances = object->toInstanceDeleteAll()->instances)
            for (TDFInstance* instance : *instances)
                addDeletion(instance, row.id);
        break;
    case TDF_NOTE:
        row.name = objectName(object);
        addAttachment(object->toNote()->owner, row);
        break;
    case TDF_GLYPH: {
        TDFGlyph* glyph = object->toGlyph();
        row.name = objectName(object);
        if (glyph->definition && glyph->definition->type != Glyph::GLYPH_NONE)
            row.flags |= eventFlag::alarm;
        addAttachment(glyph->owner, row);
        break;
    }
    case TDF_SYNCHRONISATION:
        row.name = object->name();
        if (const TDFInstanceList* members = object->toSynchronisation()->instances)
            for (const TDFInstance* member : *members)
                sink_.member({row.id, instanceRow(member)});
        break;
    case TDF_THREAD_INFO: {
        TDFThreadInfo* info = object->toThreadInfo();
        row.thread = threadRow(info->thread);
        // A thread record may number, name or colour its thread anew.
        if (info->thread)
            refreshThread(info->thread, row.thread);
        row.name = info->name();
        break;
    }
    case TDF_LOOP_START: addLoopStart(object, row); break;
    case TDF_LOOP_END: addLoopEnd(object, row); break;
    case TDF_NEW_TRACE: break;
    default:
        row.instance = instanceRow(instanceOf(object));
        row.name = object->name();
        break;
    }
    lineEvents_.emplace_back(object, row);
    if (follower_)
        follower_->event(object, row);
    sink_.event(row);
}

void StoreBuilder::addMessage(TDFMessage* message, EventRow& row)
{
    row.instance = instanceRow(message->sender);
    row.peer = instanceRow(message->receiver);
    row.thread = threadRow(message->thread);
    row.name = messageName(message);
    if (message->receiver && message->receiver->creationMessage == message)
        row.flags |= eventFlag::createdReceiver;
    // The static id as read, also one that matched no static message.
    const unsigned long long staticId = message->model ? message->model->id : message->staticId();
    MessageRow out{row.id, row.instance, row.peer, row.name,
                   message->model || staticId != 0 ? static_cast<std::int64_t>(staticId) : none,
                   none, none, message->time, 0};
    if (TDFMessageCall* call = message->call) {
        row.flags |= eventFlag::completesCall;
        const auto found = eventOf_.find(call);
        if (found != eventOf_.end()) {
            out.callEvent = found->second;
            // A call is completed once.
            eventOf_.erase(found);
        }
    }
    // Without a static message no return can take it.
    if (!message->model) {
        sink_.message(out);
        return;
    }
    eventOf_[message] = row.id;
    openMessages_.emplace(row.id, OpenMessage{out, row.thread});
}

void StoreBuilder::addReturn(TDFObject* object, EventRow& row)
{
    row.name = object->name();
    TDFMessage* message = object->toMessageReturn()->message;
    if (!message)
        return;
    const std::int64_t event = openMessageOf(message);
    const auto open = openMessages_.find(event);
    if (open == openMessages_.end())
        return;
    MessageRow& out = open->second.row;
    // The return goes back from the message's receiver to its sender; the
    // message's row has the message's name.
    row.instance = out.receiver;
    row.peer = out.sender;
    row.thread = open->second.thread;
    out.returnEvent = row.id;
    out.returned = object->time;
    sink_.message(out);
    openMessages_.erase(open);
}

std::int64_t StoreBuilder::openMessageOf(TDFMessage* message)
{
    const auto found = eventOf_.find(message);
    if (found != eventOf_.end()) {
        const std::int64_t event = found->second;
        eventOf_.erase(found);
        return event;
    }
    // A message the reader kept compact, made anew: the newest open one
    // that looks the same (any of them returns at the same time).
    if (!message->model)
        return none;
    const CompactKey key{threadRow(message->thread), static_cast<std::int64_t>(message->model->id),
                         instanceRow(message->sender), instanceRow(message->receiver), message->time};
    const auto compact = compactMessages_.find(key);
    if (compact == compactMessages_.end())
        return none;
    const std::int64_t event = compact->second.back();
    compact->second.pop_back();
    if (compact->second.empty())
        compactMessages_.erase(compact);
    return event;
}

StoreBuilder::CompactKey StoreBuilder::compactKey(const OpenMessage& open) const
{
    return {open.thread, open.row.staticId, open.row.sender, open.row.receiver, open.row.sent};
}

InstanceRow StoreBuilder::instanceRowOf(std::int64_t row, const OpenInstance& open, std::int64_t deleted) const
{
    return {row, open.dynamicId, trace_, open.name, open.type ? open.type->name : QString(), open.created, deleted};
}

void StoreBuilder::addInstance(TDFInstance* instance, EventRow& row)
{
    const std::int64_t id = nextInstance_++;
    row.instance = id;
    row.name = instance->name();
    const InstanceType* type = instance->model ? instance->model->instanceType : nullptr;
    openInstances_.insert(id, OpenInstance{instance->id, row.id, row.name, type});
    createdEvent_.push_back(row.id);
    rowOf_.insert(instance, id);
    rowsOfId_[instance->id].newest = id;
}

void StoreBuilder::refreshInstance(TDFInstance* instance)
{
    const auto open = openInstances_.find(instanceRow(instance));
    if (open == openInstances_.end())
        return;
    open->name = instance->name();
    open->type = instance->model ? instance->model->instanceType : nullptr;
}

void StoreBuilder::addDeletion(TDFInstance* instance, std::int64_t event)
{
    const std::int64_t row = instanceRow(instance);
    if (row == none)
        return;
    const auto open = openInstances_.find(row);
    if (open == openInstances_.end()) {
        // Handed out at its deletion: a DI deleted the newest instance of
        // its id again.
        sink_.deletedAgain(row, event);
        return;
    }
    rowsOfId_[open->dynamicId].newestDeleted = row;
    sink_.instance(instanceRowOf(row, *open, event));
    openInstances_.erase(open);
}

void StoreBuilder::addAttachment(TDFObject* owner, EventRow& row)
{
    if (!owner)
        return;
    if (const TDFInstance* instance = owner->toInstance()) {
        row.instance = instanceRow(instance);
        if (row.instance != none)
            row.owner = createdEvent_[static_cast<size_t>(row.instance)];
        return;
    }
    // Its event is the line's.
    for (const auto& [object, event] : lineEvents_)
        if (object == owner) {
            row.owner = event.id;
            row.instance = event.instance;
            return;
        }
    row.owner = eventOf(owner);
}

void StoreBuilder::addLoopStart(TDFObject* object, EventRow& row)
{
    TDFLoopStart* start = object->toLoopStart();
    row.instance = instanceRow(start->instance);
    const QString name = start->name();
    row.name = name.isEmpty() ? start->loopId : name;
    loopStack_.push_back(row.id);
    eventOf_[start] = row.id;
    openLoops_.emplace(row.id, LoopRow{row.id, none, row.name, start->loopId, start->iterations,
                                       static_cast<int>(loopStack_.size()), row.instance});
}

void StoreBuilder::addLoopEnd(TDFObject* object, EventRow& row)
{
    TDFLoopStart* start = object->toLoopEnd()->loopStart;
    if (!start)
        return;
    const auto found = eventOf_.find(start);
    if (found == eventOf_.end())
        return;
    const std::int64_t startEvent = found->second;
    eventOf_.erase(found);
    const auto stacked = std::find(loopStack_.rbegin(), loopStack_.rend(), startEvent);
    if (stacked != loopStack_.rend())
        loopStack_.erase(std::next(stacked).base());
    const auto open = openLoops_.find(startEvent);
    if (open == openLoops_.end())
        return;
    LoopRow& loop = open->second;
    row.instance = loop.instance;
    row.name = loop.name;
    row.owner = startEvent;
    loop.endEvent = row.id;
    loop.iterations = start->iterations;
    sink_.loop(loop);
    openLoops_.erase(open);
}

void StoreBuilder::released(TDFObject* object)
{
    if (object->type == TDF_INSTANCE) {
        rowOf_.remove(object->toInstance());
        return;
    }
    const auto found = eventOf_.find(object);
    if (found == eventOf_.end())
        return;
    const std::int64_t event = found->second;
    eventOf_.erase(found);
    // An open message goes into the reader's compact form: a return finds
    // it by what it holds.
    if (object->type == TDF_MESSAGE) {
        const auto open = openMessages_.find(event);
        if (open != openMessages_.end())
            compactMessages_[compactKey(open->second)].push_back(event);
    }
}

std::int64_t StoreBuilder::instanceRow(const TDFInstance* instance)
{
    if (!instance)
        return none;
    const auto found = rowOf_.constFind(instance);
    if (found != rowOf_.constEnd())
        return found.value();
    // An instance the streaming reader freed and made again for its id:
    // the newest deleted one of that id (only those are freed), also when
    // a new one took the id since. Remembered from its first event on, as
    // later instances may take and leave the id while it lives.
    const auto byId = rowsOfId_.constFind(instance->id);
    if (byId == rowsOfId_.constEnd())
        return none;
    const std::int64_t row = instance->deletion ? byId->newestDeleted : byId->newest;
    if (row != none)
        rowOf_.insert(instance, row);
    return row;
}

std::int64_t StoreBuilder::eventOf(const TDFObject* object) const
{
    const auto found = eventOf_.find(object);
    return found == eventOf_.end() ? none : found->second;
}

std::int64_t StoreBuilder::threadRow(const TDFThread* thread)
{
    if (!thread)
        return none;
    const auto found = threadOf_.find(thread);
    if (found != threadOf_.end())
        return found->second;
    threads_.push_back({nextThread_++, trace_, 0, QString(), 0});
    threadOf_.emplace(thread, threads_.back().id);
    refreshThread(thread, threads_.back().id);
    return threads_.back().id;
}

void StoreBuilder::refreshThread(const TDFThread* thread, std::int64_t id)
{
    ThreadRow& row = threads_[static_cast<size_t>(id - threads_.front().id)];
    row.number = thread->num;
    row.name = thread->name;
    row.colour = thread->colorIndex;
}

void StoreBuilder::closeTrace()
{
    // In row order, so that both readings hand them out alike.
    std::vector<std::int64_t> keys;
    const auto sorted = [&keys](const auto& map) {
        keys.clear();
        for (const auto& entry : map)
            keys.push_back(entry.first);
        std::sort(keys.begin(), keys.end());
        return keys;
    };
    for (const std::int64_t key : sorted(openMessages_))
        sink_.message(openMessages_.at(key).row);
    keys.assign(openInstances_.keyBegin(), openInstances_.keyEnd());
    std::sort(keys.begin(), keys.end());
    for (const std::int64_t key : keys)
        sink_.instance(instanceRowOf(key, openInstances_.value(key), none));
    for (const std::int64_t key : sorted(openLoops_))
        sink_.loop(openLoops_.at(key));
    for (const ThreadRow& thread : threads_)
        sink_.thread(thread);
    openMessages_.clear();
    openInstances_.clear();
    openLoops_.clear();
    compactMessages_.clear();
    loopStack_.clear();
    threads_.clear();
    eventOf_.clear();
    rowOf_.clear();
    rowsOfId_.clear();
    threadOf_.clear();
}

void StoreBuilder::finish()
{
    closeTrace();
}

}
