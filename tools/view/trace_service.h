#ifndef VIEW_TRACE_SERVICE_H
#define VIEW_TRACE_SERVICE_H

// The served view's answers for one trace read into its event store: the
// page's data a stretch at a time, searched and located on the server.

#include "view_service.h"

#include <memory>

class PageData;
class PageStore;

namespace view {

// Takes the store (read and finished) and the page's data made from it.
std::shared_ptr<const Service> makeTraceService(std::unique_ptr<PageStore> pages, std::unique_ptr<PageData> data);

}

#endif
