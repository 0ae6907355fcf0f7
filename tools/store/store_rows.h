#ifndef STORE_STORE_ROWS_H
#define STORE_STORE_ROWS_H

// The rows of an event store as its builder hands them out, each whole when
// it is handed out: an event when its line is read, a message when it is
// returned, an instance when it is deleted, a loop when it ends, and what is
// still open when its trace (an NT section) or the file ends. References
// between rows are row numbers (events count from 0 in trace order), never
// addresses; `none` stands for no row.

#include <QByteArray>
#include <QHash>
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

// Distinct texts, each stored once as UTF-8 and named by its number.
class StringTable {
public:
    // The number of the text; none for a null text.
    std::int64_t intern(const QString& text);
    const QByteArray& text(std::int64_t id) const { return texts_[static_cast<size_t>(id)]; }
    size_t size() const { return texts_.size(); }
    // The bytes the table holds, roughly.
    size_t bytes() const { return bytes_; }

private:
    QHash<QString, std::int64_t> index_;
    std::vector<QByteArray> texts_;
    size_t bytes_ = 0;
};

struct EventRow {
    std::int64_t id;
    int kind;  // TDFObjectType
    unsigned long long time;
    unsigned long long line;  // the line that made it (a note's or glyph's: its event's)
    std::int64_t trace;       // the NT section, from 0
    std::int64_t instance;    // instance row it is on
    std::int64_t peer;        // instance row of a message's or return's receiver
    std::int64_t name;        // string
    std::int64_t link;        // string
    std::int64_t style;       // string: the style's name
    std::int64_t thread;      // thread row
    std::int64_t owner;       // event a note or glyph is attached to
    unsigned flags;
};

struct InstanceRow {
    std::int64_t id;
    unsigned long long dynamicId;
    std::int64_t trace;
    std::int64_t name;  // string
    std::int64_t type;  // string: the instance type's name
    std::int64_t created;
    std::int64_t deleted;
};

struct MessageRow {
    std::int64_t event;
    std::int64_t sender;    // instance row
    std::int64_t receiver;  // instance row
    std::int64_t name;      // string
    std::int64_t staticId;  // none without a static message
    std::int64_t callEvent;
    std::int64_t returnEvent;
    unsigned long long sent;
    unsigned long long returned;  // meaningful with a return event
};

struct LoopRow {
    std::int64_t startEvent;
    std::int64_t endEvent;
    std::int64_t name;    // string: the loop's name, else its dotted id
    std::int64_t loopId;  // string: the dotted id
    unsigned long long iterations;
    int depth;  // 1 for a loop in no other
    std::int64_t instance;
};

struct ThreadRow {
    std::int64_t id;
    std::int64_t trace;
    unsigned long long number;
    std::int64_t name;  // string
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

// Takes the rows as the builder hands them out; the strings they name are
// in the builder's table, which lives as long as it does.
class StoreSink {
public:
    virtual ~StoreSink() = default;
    virtual void event(const EventRow& row, const StringTable& strings) = 0;
    virtual void instance(const InstanceRow& row, const StringTable& strings) = 0;
    virtual void message(const MessageRow& row, const StringTable& strings) = 0;
    virtual void loop(const LoopRow& row, const StringTable& strings) = 0;
    virtual void thread(const ThreadRow& row, const StringTable& strings) = 0;
    virtual void member(const MemberRow& row) = 0;
};

}

#endif
