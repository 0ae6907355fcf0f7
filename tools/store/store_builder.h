#ifndef STORE_STORE_BUILDER_H
#define STORE_STORE_BUILDER_H

// Builds an event store while a trace is read, from what each line made,
// in either reading: streamed (the reader frees each object once no later
// line can reach it) or whole. It keeps only row numbers and values, never
// a pointer past the line except to an object the reader still holds: an
// entry for an object leaves its maps when the reader frees the object (the
// release observer) or when the object can no longer be named (a returned
// message, a completed call, an ended loop), and everything goes at a new
// trace, which frees the whole model. What it keeps follows what is open:
// instances not deleted, messages not returned, loops not ended, calls not
// completed; beyond that a few bytes for each instance and dynamic id, as
// the streaming reader keeps for them.

#include "chunked_column.h"
#include "store_rows.h"

#include <QHash>

#include <cstdint>
#include <unordered_map>
#include <vector>

class TDF;
class TDFInstance;
class TDFMessage;
class TDFObject;
class TDFThread;
class InstanceType;

namespace store {

// What follows the lines beside the sink: told of each event with the
// object that made it, before the sink has its row, and of an instance
// that an NI line may have given another model (and so another name, link
// and style). The objects are valid only during the call.
class LineFollower {
public:
    virtual ~LineFollower() = default;
    virtual void event(TDFObject* object, const EventRow& row) = 0;
    virtual void instanceChanged(TDFInstance* instance, std::int64_t row) = 0;
};

class StoreBuilder {
public:
    // Installs a release observer on a streaming reader; `reader` and
    // `sink` outlive the builder.
    StoreBuilder(TDF& reader, StoreSink& sink);
    ~StoreBuilder();
    StoreBuilder(const StoreBuilder&) = delete;
    StoreBuilder& operator=(const StoreBuilder&) = delete;

    // After each line, with what `read` returned (maybe null).
    void follow(TDFObject* result);
    // At the end of the input: hands out what is still open.
    void finish();
    // `follower` (or none) outlives the builder.
    void setFollower(LineFollower* follower) { follower_ = follower; }

    // The row of an instance the reader holds; none for null or unknown.
    std::int64_t instanceRow(const TDFInstance* instance);
    std::int64_t traces() const { return trace_ + 1; }

private:
    struct OpenMessage {
        MessageRow row;
        std::int64_t thread;
    };
    // What an instance row needs until it is handed out; a trace may hold a
    // million instances alive at once.
    struct OpenInstance {
        unsigned long long dynamicId;
        std::int64_t created;
        QString name;
        const InstanceType* type;  // the configuration's, which outlives the reading
    };
    // What identifies an open message that the reader keeps in a compact
    // form and makes anew for the return that takes it.
    struct CompactKey {
        std::int64_t thread;
        std::int64_t staticId;
        std::int64_t sender;
        std::int64_t receiver;
        unsigned long long time;
        bool operator==(const CompactKey& other) const;
    };
    struct CompactKeyHash {
        size_t operator()(const CompactKey& key) const;
    };

    void add(TDFObject* object);
    void addMessage(TDFMessage* message, EventRow& row);
    void addReturn(TDFObject* object, EventRow& row);
    void addInstance(TDFInstance* instance, EventRow& row);
    void addDeletion(TDFInstance* instance, std::int64_t event);
    void addAttachment(TDFObject* owner, EventRow& row);
    void addLoopStart(TDFObject* object, EventRow& row);
    void addLoopEnd(TDFObject* object, EventRow& row);
    void refreshInstance(TDFInstance* instance);
    // The row to hand out for an open instance.
    InstanceRow instanceRowOf(std::int64_t row, const OpenInstance& open, std::int64_t deleted) const;
    void released(TDFObject* object);
    // Hands out what is open and forgets the trace's objects.
    void closeTrace();

    std::int64_t threadRow(const TDFThread* thread);
    void refreshThread(const TDFThread* thread, std::int64_t id);
    std::int64_t eventOf(const TDFObject* object) const;
    std::int64_t openMessageOf(TDFMessage* message);
    CompactKey compactKey(const OpenMessage& open) const;

    TDF& reader_;
    StoreSink& sink_;
    LineFollower* follower_ = nullptr;
    std::int64_t trace_ = 0;
    std::int64_t nextEvent_ = 0;
    std::int64_t nextInstance_ = 0;
    std::int64_t nextThread_ = 0;
    unsigned long long appendedSeen_ = 0;
    std::vector<TDFObject*> lineObjects_;
    // The events of the line being followed, for the notes and glyphs that
    // its event carries.
    std::vector<std::pair<const TDFObject*, EventRow>> lineEvents_;

    // Objects that later lines name, while the reader holds them.
    std::unordered_map<const TDFObject*, std::int64_t> eventOf_;  // messages, calls, loop starts
    // Open addressing keeps the tables of instances, which may be as many
    // as the events, at about half the bytes of a node per entry.
    QHash<const TDFInstance*, std::int64_t> rowOf_;
    // The rows of the newest instance under a dynamic id and of the newest
    // deleted one.
    struct RowsOfId {
        std::int64_t newest = none;
        std::int64_t newestDeleted = none;
    };
    QHash<unsigned long long, RowsOfId> rowsOfId_;
    std::unordered_map<const TDFThread*, std::int64_t> threadOf_;     // the reader's threads, until a new trace
    ChunkedColumn<std::int64_t> createdEvent_;  // of each instance row

    QHash<std::int64_t, OpenInstance> openInstances_;
    std::unordered_map<std::int64_t, OpenMessage> openMessages_;
    std::unordered_map<CompactKey, std::vector<std::int64_t>, CompactKeyHash> compactMessages_;
    std::unordered_map<std::int64_t, LoopRow> openLoops_;
    std::vector<std::int64_t> loopStack_;  // start events of the open loops, outermost first
    std::vector<ThreadRow> threads_;       // of the trace being read
};

}

#endif
