#ifndef TDF_ACTIVATION_H
#define TDF_ACTIVATION_H

// The rule of activation bars, shared by the record that keeps the events
// where bars open and close and by the streaming record that keeps only
// whether one is open. Every message and return asks it twice, so it is
// read inline.

#include "tcf.h"
#include "tdf_db.h"
#include "tdf_objects.h"

namespace tdf::internal {

// Whether instances of a type show activation bars: the type's own
// control-flow mode when it gives one, else its configuration's.
inline bool nestedControlFlowOf(const InstanceType& type)
{
    return type.controlFlowSet ? type.ownNestedControlFlow : type.tcf->nestedControlFlow();
}

// Whether an instance shows activation bars: it has a static instance
// whose type has nested control flow.
inline bool showsActivation(const TDFInstance& instance)
{
    const TDFDBInstance* model = instance.model;
    return model && model->instanceType && nestedControlFlowOf(*model->instanceType);
}

// Whether a bar is open in an instance whose record holds `count`
// boundaries: the message that created an instance opened a bar that is
// not recorded, so with one an even count means a bar is open.
inline bool barOpen(int count, bool hasCreationMessage)
{
    return (count % 2 == 0) == hasCreationMessage;
}

// Whether control entering (gainsControl) or leaving an instance at an
// event of `type` leaves its activation as it is: a message or call that
// leaves it, and any event but a message, call or return.
inline bool leavesActivationAlone(TDFObjectType type, bool gainsControl)
{
    return type == TDF_MESSAGE_RETURN ? false : type == TDF_MESSAGE || type == TDF_MESSAGE_CALL ? !gainsControl : true;
}

// Follows control entering (gainsControl) or leaving an instance at an
// event of `type` in `level`, the instance's nesting depth; true when the
// event opens or closes a bar there.
inline bool passControl(TDFObjectType type, bool gainsControl, bool open, int& level)
{
    if (leavesActivationAlone(type, gainsControl))
        return false;
    switch (type) {
    case TDF_MESSAGE:
    case TDF_MESSAGE_CALL:
        ++level;
        return !open;
    case TDF_MESSAGE_RETURN:
        if (gainsControl) {
            if (open)
                return false;
            ++level;
            return true;
        } else {
            const bool closes = open && level == 1;
            --level;
            return closes;
        }
    default: return false;
    }
}

}

#endif
