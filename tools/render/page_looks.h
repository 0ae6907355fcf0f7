#ifndef RENDER_PAGE_LOOKS_H
#define RENDER_PAGE_LOOKS_H

// What the HTML page shows of a trace beyond the rows of its event store,
// taken from each line as it is read, streamed or whole: the style each
// event is painted in as the palette resolves it then (as JSON), its label
// (or the part of it no later line changes), where activation bars open and
// close, and for each instance its title's style, its link and whether it
// shows bars. Later lines may still change an instance (an NI gives it
// another model), a call (its completion), a loop (its iterations) and a
// thread (its name and number): the page takes those from the store's rows
// as they are at the end. Rows are numbered as in the store; nothing here
// keeps an object past the line.

#include <chunked_column.h>
#include <store_builder.h>
#include <tdf_objects.h>
#include <tdf_time.h>

#include "style_palette.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <cstdint>
#include <unordered_map>
#include <vector>

class PageLooks : public store::LineFollower {
public:
    static constexpr std::int32_t none = -1;

    // Follows the lines `builder` follows on `reader`; both outlive it.
    PageLooks(const TDF& reader, store::StoreBuilder& builder);
    ~PageLooks() override;
    PageLooks(const PageLooks&) = delete;
    PageLooks& operator=(const PageLooks&) = delete;

    void event(TDFObject* object, const store::EventRow& row) override;
    void instanceChanged(TDFInstance* instance, std::int64_t row) override;
    // At the end of the input: what the page says of the trace as a whole.
    void finish();

    // Per event, in the store's order. A label is none for an event that
    // shows none, or whose text comes from a row: an instance's (its
    // title), a loop's without a name of its own (its id and iterations).
    // A thread change's is what it says of the state and priority.
    store::ChunkedColumn<std::int32_t> look;   // styles
    store::ChunkedColumn<std::int32_t> label;  // texts
    // Calls of a message: the call and the message's link as the call was
    // made, in the calls' order. Such a call is not completed while no
    // message completes it; its link is the completing message's then.
    struct Call {
        std::int64_t event;
        std::int32_t link;  // texts, or none
    };
    std::vector<Call> calls;

    // Per instance row.
    struct Instance {
        std::int64_t created = store::none;  // its creation event
        std::int64_t creationMessage = store::none;
        std::int32_t titleLook = none;
        std::int32_t link = none;
        unsigned long long time = 0;  // of its creation, as its model was last set
        bool bars = false;  // its type shows activation bars
    };
    // In chunks: a trace of a million instances alive at once would hold
    // two copies of a vector for a moment as it grows.
    store::ChunkedColumn<Instance> instances;
    // The events (after the creating message) where an instance's bars open
    // and close, in turns, in trace order.
    struct Bound {
        std::int32_t instance;
        std::int32_t event;
    };
    std::vector<Bound> bounds;

    std::vector<QByteArray> styles;  // JSON objects
    std::vector<QString> texts;

    // Of the trace as a whole, at its end.
    bool world = true;  // the world actor is shown
    bool configured = false;  // read against a configuration
    QString configuration;    // its public name
    QString timeFormat;
    TDFTimeUnitType timeUnit = UNIT_NONE;
    QString timeUnitText;
    // The configuration's styles of what no event carries.
    std::int32_t worldLook = none;
    std::int32_t lineLook = none;  // of a lifeline
    std::int32_t barLook = none;
    std::int32_t loopEndLook = none;  // of a loop that never ends

    // A text's index: the page shows it on one line.
    std::int32_t text(const QString& value);

private:
    struct Activation {
        int count = 0;  // bounds so far
        int level = 0;
        bool hadModel = false;
    };

    std::int32_t styleOf(const Style* style);
    std::int32_t lookOf(TDFObject* object, TCF::Object kind) { return styleOf(palette_.of(object, kind)); }
    Instance& instanceAt(std::int64_t row);
    void followControl(TDFInstance* instance, std::int64_t row, TDFObjectType type, std::int64_t event,
                       bool gainsControl);

    const TDF& reader_;
    store::StoreBuilder& builder_;
    StylePalette palette_;
    std::unordered_map<const Style*, std::int32_t> styleIndex_;  // the configurations outlive the reading
    QHash<QString, std::int32_t> textIndex_;
    store::ChunkedColumn<Activation> activations_;  // per instance row
};

#endif
