#include "event_window.h"

#include <tdf_objects.h>

#include <algorithm>

bool isDrawnKind(const TDFObject* object)
{
    return object->type != TDF_NEW_TRACE && object->type != TDF_GENERIC && object->type != TDF_DEFINITION_BLOCK;
}

EventWindow selectEvents(const List<TDFObject*>& objects, const RenderOptions& options)
{
    // First pass: the window's bounds as event numbers.
    EventWindow window;
    long long begin = -1;  // first event at or after `from`
    long long end = -1;    // last event at or before `to`
    for (TDFObject* object : objects) {
        if (!isDrawnKind(object))
            continue;
        const long long number = window.total++;
        if (begin < 0 && (!options.from || object->time >= *options.from))
            begin = number;
        if (!options.to || object->time <= *options.to)
            end = number;
    }
    if (begin < 0 || end < begin)
        return window;
    window.inWindow = end - begin + 1;
    const long long last = begin + std::min(window.inWindow, std::max(options.maxEvents, 0LL)) - 1;

    // Second pass: the events themselves.
    long long position = 0;
    long long number = 0;
    for (TDFObject* object : objects) {
        const long long here = position++;
        if (!isDrawnKind(object))
            continue;
        const long long current = number++;
        if (current < begin)
            continue;
        if (current > last)
            break;
        if (window.events.empty()) {
            window.firstPosition = here;
            window.firstNumber = current + 1;
        }
        window.lastPosition = here;
        window.events.push_back(object);
        window.positions.push_back(here);
    }
    return window;
}
