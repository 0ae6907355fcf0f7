#ifndef RENDER_ACTIVATION_BOUNDS_H
#define RENDER_ACTIVATION_BOUNDS_H

#include <vector>

class TDFInstance;
class TDFObject;

// The events that open and close an instance's activation bars, in turns:
// a bar runs from each even entry to the next one, or on to the end of the
// trace when it is the last. A creating message opened a bar that the
// instance does not record, so it comes first.
std::vector<const TDFObject*> activationBounds(const TDFInstance* instance);

#endif
