#ifndef RENDER_LAYOUT_H
#define RENDER_LAYOUT_H

#include "diagram.h"
#include "render_options.h"

class TDF;

// Lays out the events of a read trace that `options` select, with the
// styles of the trace's configuration. Any trace the reader accepted can be
// laid out: missing senders, receivers, creations and deletions, times
// that go back and unfinished loops are all drawn as far as they are known.
Diagram layoutDiagram(TDF& reader, const RenderOptions& options);

#endif
