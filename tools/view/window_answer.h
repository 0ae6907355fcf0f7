#ifndef VIEW_WINDOW_ANSWER_H
#define VIEW_WINDOW_ANSWER_H

// The answer to the page's request for a stretch of the diagram: the
// events between two diagram ys (every one, or one per `step` where there
// are more than the page draws), the events they point at, the lifelines,
// bars and loops there, and the texts they name. The same columns as the
// page of a file carries, in the same encoding, with the ys laid out.

#include <QByteArray>

#include <cstdint>
#include <string>
#include <vector>

class PageData;

namespace view {

class LabelSearch;
class TraceIndex;

struct WindowRequest {
    double top = 0;
    double bottom = 0;
    double step = 1;     // diagram units a pixel row covers
    int left = 0;        // the columns wanted, however far the events reach
    int right = 0;
    // The search whose hits are flagged, if any.
    const LabelSearch* search = nullptr;
};

// Most events in a window: all those between its ys up to `detailed`, a
// sample of at most `sampled` beyond; and most columns asked for.
namespace windowLimit {
constexpr long long detailed = 16000;
constexpr long long sampled = 20000;
constexpr int columns = 4096;
}

// The JSON text of the window; false with the reason when the request
// asks for more than the limits.
bool windowAnswer(const PageData& data, const TraceIndex& index, const WindowRequest& request, QByteArray& out,
                  std::string& reason);

}

#endif
