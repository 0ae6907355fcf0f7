#ifndef RENDER_HTML_PAGE_DATA_H
#define RENDER_HTML_PAGE_DATA_H

// The trace as the HTML view needs it, in compact columns of numbers with
// tables of the distinct texts and styles they point into, made from the
// trace's event store and the page's looks: every trace of the file, one
// after another, each after its new-trace marker (drawn as a boundary
// row); its lifelines, bars and loops end with it. Nothing is laid out here beyond the
// columns of the lifelines: the view places rows and draws what is on
// screen. The tables, lifelines, bars and loops are made at once; each
// column of the events when asked for, so that a page of many events holds
// one of them at a time beside the store.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class PageLooks;
namespace store {
class EventStore;
}

// Flags of an event (PageData::flags).
namespace eventFlag {
constexpr int completesCall = 1;  // a message announced by a call
constexpr int fromEdge = 2;       // sent by the hidden world actor
constexpr int toEdge = 4;         // received by the hidden world actor
constexpr int alarm = 8;          // a glyph that reports a failure
constexpr int notCompleted = 16;  // a call whose message never completed
}

// A report of the reading, with the number of events the store held when
// it came: the store's event it comes before.
struct ReadingProblem {
    QString file;  // the trace's, or a configuration's
    int line = 0;  // 0: not known
    bool error = false;  // else a warning
    QString message;
    long long storeEvent = 0;
};
// The first reports, and how many there were.
struct ReadingProblems {
    std::vector<ReadingProblem> listed;
    long long count = 0;
};

class PageData {
public:
    static constexpr int none = -1;
    // The problems a page lists; the others are counted.
    static constexpr size_t listedProblems = 1000;

    // Every trace of the file, or the last one alone (as the reader's model
    // holds it when the input ends).
    enum class Sections { all, last };
    // `store` and `looks` (finished) outlive the page data.
    PageData(const store::EventStore& store, const PageLooks& looks, const QString& title,
             Sections sections = Sections::all);
    ~PageData();
    PageData(const PageData&) = delete;
    PageData& operator=(const PageData&) = delete;

    // One entry per drawn event, in trace order. Columns are lifeline
    // columns (the world actor's is 0 when it is shown); none stands for
    // the edge of a hidden world actor.
    long long events() const;
    std::vector<std::uint8_t> kind() const;  // TDFObjectType
    std::vector<unsigned long long> time() const;
    std::vector<int> from() const;     // sender, or the one lifeline the event shows on
    std::vector<int> to() const;       // receiver of a message or return
    std::vector<int> style() const;  // index into styles
    std::vector<int> label() const;  // index into strings, or none
    std::vector<int> link() const;   // index into strings, or none
    std::vector<int> partner() const;  // a message's return or completing call and back, or none
    std::vector<int> owner() const;    // the event a note or glyph is attached to, or none
    std::vector<int> thread() const;   // index into threads, or none
    std::vector<int> flags() const;
    // Index into timeTexts, when the page cannot lay times out itself.
    const std::vector<int>& timeText() const;
    // Members of each synchronisation in trace order: a count, then columns.
    std::vector<int> members() const;

    // The values of the columns above for one event, and its members'
    // columns (count first) when it is a synchronisation: for a client that
    // asks for a few events at a time.
    struct Event {
        int kind = 0;
        unsigned long long time = 0;
        int from = none, to = none, style = 0, label = none, link = none, partner = none, owner = none,
            thread = none, flags = 0, timeText = none;
    };
    Event event(long long index) const;
    unsigned long long timeAt(long long index) const;
    std::vector<int> membersOf(long long index) const;

    // One lifeline per instance (and the world actor's), column by column,
    // each column's top down, as the column plan places them.
    struct Lifelines {
        std::vector<int> column;
        std::vector<int> start;  // its creation event, or none: it exists from the top
        std::vector<int> end;    // its deletion event, or none: alive to the bottom
        // The last event still drawn on it after its deletion (a return to
        // it, a message it sends), or none.
        std::vector<int> last;
        std::vector<int> title;  // index into strings; with the id where a neighbour shares the name
        std::vector<int> tooltip;  // index into strings: the title with the id
        std::vector<int> link;
        std::vector<int> titleStyle;
        std::vector<int> lineStyle;
        std::vector<int> crossStyle;  // the deletion's style, or none
        std::vector<unsigned long long> id;  // the dynamic id (0 for the world actor)
    } lifelines;

    // Activation bars: from an event's row to another's on a lifeline; none
    // stands for the top or the bottom of the lifeline.
    struct Bars {
        std::vector<int> lifeline;
        std::vector<int> start;
        std::vector<int> end;
    } bars;

    // Loop frames in order of their start event; `parent` is the loop around
    // each one, or none.
    struct Loops {
        std::vector<int> start;
        std::vector<int> end;  // none: the loop is never closed
        std::vector<int> left;  // leftmost and rightmost column inside (none: the edge)
        std::vector<int> right;
        std::vector<int> parent;
        std::vector<int> label;
        std::vector<int> link;
        std::vector<int> style;
        std::vector<int> endStyle;
    } loops;

    std::vector<QString> strings;
    std::vector<QByteArray> styles;    // each a JSON object
    int barStyle = 0;                  // of every activation bar
    std::vector<QString> threadNames;
    std::vector<QString> threadColors;  // CSS colours
    std::vector<QString> timeTexts;    // empty when the page lays times out itself
    QString timeUnit;                  // appended to plain times, with its blank
    bool world = false;                // the world actor has column 0
    int columns = 0;
    int traces = 1;                    // the traces shown
    QString title;
    QString caption;

    // What the reading reported, the first listedProblems of them, each at
    // the page's event it comes before (the last one for those after every
    // event; none for those before the page's trace or without events).
    struct Problem {
        QString file;
        int line = 0;
        bool error = false;
        QString message;
        int event = none;
    };
    std::vector<Problem> problems;
    long long problemCount = 0;  // listed or not
    void setProblems(const ReadingProblems& reported);

private:
    class Source;
    template <class Value, class Of>
    std::vector<Value> column(Of&& valueOf) const;
    std::unique_ptr<Source> source_;
};

#endif
