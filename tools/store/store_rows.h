#ifndef STORE_STORE_ROWS_H
#define STORE_STORE_ROWS_H

// The rows of an event store as its builder hands them out, each whole when
// it is handed out: an event when its line is read, a message when it is
// returned, an instance when it is deleted, a loop when it ends, and what is
// still open when its trace (an NT section) or the file ends. References
// between rows are row numbers (events count from 0 in trace order), never
// addresses; `none` stands for no row. Texts are the reader's strings,
// shared, null for none: a sink that keeps them interns them, one that
// writes them out lets them go, so that texts met once (generated names)
// don't pile up.

#include <QString>

#include <cstdint>
#include <vector>

namespace store {

constexpr std::int64_t none = -1;

// Flags of an event.
namespace eventFlag {
constexpr unsigned completesCall = 1;  // a message that completes a call (MC ... ME)
constexpr unsigned alarm = 2;          // a glyph of a kind that reports a failure
constexpr unsigned createdReceiver = 4;  // a message that brought its receiver into being
}

struct EventRow {
    std::int64_t id;
    int kind;  // TDFObjectType
    unsigned long long time;
    unsigned long long line;  // the line that made it (a note's or glyph's: its event's)
    std::int64_t trace;       // the NT section, from 0
    std::int64_t instance;    // instance row it is on
    std::int64_t peer;        // instance row of a message's or return's receiver
    QString name;
    QString link;
    QString style;            // the style's name
    std::int64_t thread;      // thread row
    std::int64_t owner;       // event a note or glyph is attached to
    unsigned flags;
};

struct InstanceRow {
    std::int64_t id;
    unsigned long long dynamicId;
    std::int64_t trace;
    QString name;
    QString type;  // the instance type's name
    std::int64_t created;
    std::int64_t deleted;
};

struct MessageRow {
    std::int64_t event;
    std::int64_t sender;    // instance row
    std::int64_t receiver;  // instance row
    QString name;
    std::int64_t staticId;  // none without a static message
    std::int64_t callEvent;
    std::int64_t returnEvent;
    unsigned long long sent;
    unsigned long long returned;  // meaningful with a return event
};

struct LoopRow {
    std::int64_t startEvent;
    std::int64_t endEvent;
    QString name;    // the loop's name, else its dotted id
    QString loopId;  // the dotted id
    unsigned long long iterations;
    int depth;  // 1 for a loop in no other
    std::int64_t instance;
};

struct ThreadRow {
    std::int64_t id;
    std::int64_t trace;
    unsigned long long number;
    QString name;
    int colour;
};

// A member of a synchronisation.
struct MemberRow {
    std::int64_t event;
    std::int64_t instance;
};

struct DiagnosticRow {
    QString file;  // null: about the trace as a whole
    int line;      // 0: unknown
    int column;
    bool error;  // else a warning
    QString message;
};

// Takes the rows as the builder hands them out.
class StoreSink {
public:
    virtual ~StoreSink() = default;
    virtual void event(const EventRow& row) = 0;
    virtual void instance(const InstanceRow& row) = 0;
    // A DI deleted the instance of a row handed out again: the instance
    // keeps the last deletion, as the reader's does.
    virtual void deletedAgain(std::int64_t instance, std::int64_t event) = 0;
    virtual void message(const MessageRow& row) = 0;
    virtual void loop(const LoopRow& row) = 0;
    virtual void thread(const ThreadRow& row) = 0;
    virtual void member(const MemberRow& row) = 0;
};

}

#endif
