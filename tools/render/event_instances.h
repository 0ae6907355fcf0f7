#ifndef RENDER_EVENT_INSTANCES_H
#define RENDER_EVENT_INSTANCES_H

#include <vector>

class TDFInstance;
class TDFObject;

// The instances an event shows on: a message's sender and receiver, a
// note's owner, a synchronisation's members... Null stands for the world
// actor.
std::vector<TDFInstance*> involvedInstances(TDFObject* event);

#endif
