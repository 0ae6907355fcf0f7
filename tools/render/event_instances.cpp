#include "event_instances.h"

#include <tdf_objects.h>

std::vector<TDFInstance*> involvedInstances(TDFObject* event)
{
    switch (event->type) {
    case TDF_INSTANCE:
        return {event->toInstance()};
    case TDF_MESSAGE:
        return {event->toMessage()->sender, event->toMessage()->receiver};
    case TDF_MESSAGE_CALL:
        if (const TDFMessage* message = event->toMessageCall()->message)
            return {message->sender};
        return {nullptr};
    case TDF_MESSAGE_RETURN:
        if (const TDFMessage* message = event->toMessageReturn()->message)
            return {message->sender, message->receiver};
        return {};
    case TDF_INSTANCE_DELETE:
        if (TDFInstance* instance = event->toInstanceDelete()->instance)
            return {instance};
        return {};
    case TDF_ACTION:
        return {event->toAction()->instance};
    case TDF_SYNCHRONISATION: {
        std::vector<TDFInstance*> members;
        if (const TDFInstanceList* list = event->toSynchronisation()->instances) {
            for (TDFInstance* member : *list)
                members.push_back(member);
        }
        return members;
    }
    case TDF_NOTE:
    case TDF_GLYPH: {
        TDFObject* owner = event->type == TDF_NOTE ? event->toNote()->owner : event->toGlyph()->owner;
        if (!owner)
            return {};
        if (TDFInstance* instance = owner->toInstance())
            return {instance};
        if (TDFInstanceDelete* deletion = owner->toInstanceDelete(); deletion && deletion->instance)
            return {deletion->instance};
        return {};
    }
    default:
        return {};
    }
}
