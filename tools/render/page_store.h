#ifndef RENDER_PAGE_STORE_H
#define RENDER_PAGE_STORE_H

#include "page_looks.h"

#include <tdf.h>

#include <event_store.h>
#include <store_builder.h>
#include <tee_sink.h>

#include <optional>


// A trace's event store with the page's looks, built while `reader` reads
// it, streamed or whole: each line's result goes to follow(), then
// finish() once the input ends. Every row may go to another sink as well
// (`alsoTo`, which is to last until finish()), from the same reading.
class PageStore {
public:
    explicit PageStore(TDF& reader, store::StoreSink* alsoTo = nullptr)
        : reader_(reader), tee_(alsoTo ? std::make_optional<store::TeeSink>(store_, *alsoTo) : std::nullopt),
          builder_(reader, tee_ ? static_cast<store::StoreSink&>(*tee_) : store_), looks_(reader, builder_)
    {
    }

    void follow(TDFObject* result) { builder_.follow(result); }

    // What finish() does with the reader's objects: a caller that compares
    // the page with them keeps them; one that only writes the page drops
    // them before the store takes the rows still open, since in a trace
    // that never deletes its instances both are as large as each other.
    enum class Model { keep, release };
    void finish(Model model = Model::keep)
    {
        looks_.finish();  // before a reset clears the reader's unit and time format
        if (model == Model::release)
            reader_.reset(false);
        builder_.finish();
        store_.finish();
    }

    const store::EventStore& store() const { return store_; }
    // The events stored so far.
    long long storedEvents() const { return static_cast<long long>(store_.eventCount()); }
    const PageLooks& looks() const { return looks_; }
    std::int64_t traces() const { return builder_.traces(); }

private:
    TDF& reader_;
    store::EventStore store_{store::StoreContents::picture};
    std::optional<store::TeeSink> tee_;
    store::StoreBuilder builder_;
    PageLooks looks_;
};

#endif
