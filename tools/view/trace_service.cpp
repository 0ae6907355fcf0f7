#include "trace_service.h"

#include <html_page_data.h>
#include <page_store.h>

namespace view {

namespace {

// Tells what the trace holds; the endpoints of the view's data come later.
class TraceService : public Service {
public:
    TraceService(std::unique_ptr<PageStore> pages, std::unique_ptr<PageData> data)
        : pages_(std::move(pages)), data_(std::move(data))
    {
    }

    Answer answer(const std::string& endpoint, const Parameters&) const override
    {
        if (endpoint != "meta")
            return {404, "application/json", R"({"error":"no such endpoint"})"};
        return {200, "application/json",
                R"({"ready":true,"events":)" + std::to_string(data_->events()) +
                    R"(,"columns":)" + std::to_string(data_->columns) + "}"};
    }

private:
    // The data refers to the store: it goes first.
    std::unique_ptr<PageStore> pages_;
    std::unique_ptr<PageData> data_;
};

}

std::shared_ptr<const Service> makeTraceService(std::unique_ptr<PageStore> pages, std::unique_ptr<PageData> data)
{
    return std::make_shared<TraceService>(std::move(pages), std::move(data));
}

}
