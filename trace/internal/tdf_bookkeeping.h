#ifndef TDF_BOOKKEEPING_H
#define TDF_BOOKKEEPING_H

// The steps that the event statements share: an object takes the pending
// style and link (decorate) and the current time (stamp), the pending
// decorations are then used up (consume), and the caller learns that an
// object was made (report).

#include "tdf.h"

namespace tdf::internal {

// The object takes the pending link. Most lines have none, and most
// objects no link yet: then no string is assigned.
inline void takeLink(const TDF& reader, TDFObject* object)
{
    if (!reader.pendingLink.isNull() || !object->linkText.isNull())
        object->linkText = reader.pendingLink;
}

inline void decorate(const TDF& reader, TDFObject* object)
{
    object->givenStyle = reader.pendingStyle;
    takeLink(reader, object);
}

inline void stamp(TDF& reader, TDFObject* object)
{
    object->time = reader.currentTime;
    reader.currentTime += reader.timeStep;
}

inline void consumeDecorations(TDF& reader)
{
    reader.pendingStyle = nullptr;
    reader.pendingLink.clear();
}

inline void report(bool* changed)
{
    if (changed)
        *changed = true;
}

}

#endif
