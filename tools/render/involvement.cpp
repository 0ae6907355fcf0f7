#include "involvement.h"

#include <tdf_objects.h>

namespace {

// The instance a note or glyph is attached to, directly or through a deletion.
TDFInstance* ownerInstance(TDFObject* owner)
{
    if (!owner)
        return nullptr;
    if (TDFInstance* instance = owner->toInstance())
        return instance;
    if (TDFInstanceDelete* deletion = owner->toInstanceDelete())
        return deletion->instance;
    return nullptr;
}

}

void involvedInstances(TDFObject* event, std::vector<TDFInstance*>& instances)
{
    instances.clear();
    switch (event->type) {
    case TDF_INSTANCE:
        instances.push_back(event->toInstance());
        break;
    case TDF_MESSAGE:
        instances.push_back(event->toMessage()->sender);
        instances.push_back(event->toMessage()->receiver);
        break;
    case TDF_MESSAGE_CALL:
        // A call of a message the reader no longer knows is drawn on the world actor.
        if (const TDFMessage* message = event->toMessageCall()->message)
            instances.push_back(message->sender);
        else
            instances.push_back(nullptr);
        break;
    case TDF_MESSAGE_RETURN:
        if (const TDFMessage* message = event->toMessageReturn()->message) {
            instances.push_back(message->sender);
            instances.push_back(message->receiver);
        }
        break;
    case TDF_INSTANCE_DELETE:
        if (TDFInstance* instance = event->toInstanceDelete()->instance)
            instances.push_back(instance);
        break;
    case TDF_ACTION:
        instances.push_back(event->toAction()->instance);
        break;
    case TDF_SYNCHRONISATION:
        if (const TDFInstanceList* members = event->toSynchronisation()->instances) {
            for (TDFInstance* member : *members)
                instances.push_back(member);
        }
        break;
    case TDF_NOTE:
        if (TDFInstance* instance = ownerInstance(event->toNote()->owner))
            instances.push_back(instance);
        break;
    case TDF_GLYPH:
        if (TDFInstance* instance = ownerInstance(event->toGlyph()->owner))
            instances.push_back(instance);
        break;
    default:
        break;
    }
}
