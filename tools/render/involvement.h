#ifndef RENDER_INVOLVEMENT_H
#define RENDER_INVOLVEMENT_H

#include <vector>

class TDFInstance;
class TDFObject;

// The instances an event is drawn on, replacing the contents of `instances`
// (a buffer the caller reuses, so that a walk over many events allocates
// nothing). Null stands for the world actor: the sender or receiver of a
// message that has none. An instance creation shows on the new instance, a
// note or glyph on the instance it belongs to (or the one a deletion it
// belongs to deleted); loops, threads, triggers and deletions of all show on
// no instance.
void involvedInstances(TDFObject* event, std::vector<TDFInstance*>& instances);

#endif
