#ifndef TDF_BOOKKEEPING_H
#define TDF_BOOKKEEPING_H

// The steps that the event statements share: an object takes the pending
// style and link (decorate) and the current time (stamp), the pending
// decorations are then used up (consume), and the caller learns that an
// object was made (report).

#include "tdf.h"

namespace tdf::internal {

inline void decorate(const TDF& reader, TDFObject* object)
{
    object->givenStyle = reader.pendingStyle;
    object->linkText = reader.pendingLink;
}

inline void stamp(TDF& reader, TDFObject* object)
{
    object->time = reader.currentTime;
    reader.currentTime += reader.timeStep;
}

inline void consumeDecorations(TDF& reader)
{
    reader.pendingStyle = nullptr;
    reader.pendingLink = QString();
}

inline void report(bool* changed)
{
    if (changed)
        *changed = true;
}

}

#endif
