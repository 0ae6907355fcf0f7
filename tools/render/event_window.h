#ifndef RENDER_EVENT_WINDOW_H
#define RENDER_EVENT_WINDOW_H

#include "render_options.h"

#include <list.h>

#include <vector>

class TDFObject;

// Every trace object is an event of the picture except the new-trace
// marker, which only opens the object list.
bool isDrawnKind(const TDFObject* object);

// The events a picture draws, chosen from the reader's object list.
struct EventWindow {
    std::vector<TDFObject*> events;    // drawn, in trace order
    std::vector<long long> positions;  // each drawn event's place in the object list
    long long firstPosition = -1;    // list positions of the first and last drawn event
    long long lastPosition = -1;
    long long firstNumber = 0;  // 1-based numbers of the first and last drawn event
    long long total = 0;        // events in the whole trace
    long long inWindow = 0;     // events between --from and --to
};

EventWindow selectEvents(const List<TDFObject*>& objects, const RenderOptions& options);

#endif
