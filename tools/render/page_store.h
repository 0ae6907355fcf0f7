#ifndef RENDER_PAGE_STORE_H
#define RENDER_PAGE_STORE_H

#include "page_looks.h"

#include <event_store.h>
#include <store_builder.h>

class TDF;
class TDFObject;

// A trace's event store with the page's looks, built while `reader` reads
// it, streamed or whole: each line's result goes to follow(), then
// finish() once the input ends.
class PageStore {
public:
    explicit PageStore(TDF& reader) : builder_(reader, store_), looks_(reader, builder_) {}

    void follow(TDFObject* result) { builder_.follow(result); }
    void finish()
    {
        builder_.finish();
        store_.finish();
        looks_.finish();
    }

    const store::EventStore& store() const { return store_; }
    const PageLooks& looks() const { return looks_; }

private:
    store::EventStore store_{store::StoreContents::picture};
    store::StoreBuilder builder_;
    PageLooks looks_;
};

#endif
