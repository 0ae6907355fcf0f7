#ifndef TDF_RESOURCE_WRITER_H
#define TDF_RESOURCE_WRITER_H

// Writes resource trees in the text form that readResourceText reads, one
// entry per line, groups indented by four blanks.

#include "export.h"

#include <iosfwd>

class QARes;

// Writes the chain starting at `first` as top-level entries. Returns false
// when some node can't be written faithfully (a member or entry without a
// valid tag, a list item with a tag, or an identifier that is not a bare
// word); such nodes are still written as well as possible.
TDF_EXPORT bool writeResources(std::ostream& out, const QARes* first);

#endif
