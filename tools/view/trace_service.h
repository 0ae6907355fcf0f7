#ifndef VIEW_TRACE_SERVICE_H
#define VIEW_TRACE_SERVICE_H

#include "view_service.h"

#include <memory>

class PageData;
class PageStore;

namespace view {

// The answers of a trace's view, from its finished page store and the
// page data made from it, which it keeps (the data refers to the store).
std::shared_ptr<const Service> makeTraceService(std::unique_ptr<PageStore> pages, std::unique_ptr<PageData> data);

}

#endif
