#include "kind_name.h"

const char* kindName(TDFObjectType type)
{
    if (const char* name = strTDFObjectType(type))
        return name;
    switch (type) {
    case TDF_INSTANCE_DELETE_ALL: return "instance_delete_all";
    case TDF_DEFINITION_BLOCK: return "definition_block";
    case TDF_NEW_TRACE: return "new_trace";
    case TDF_EXTERNAL_TRIGGER: return "external_trigger";
    default: return "unknown";
    }
}
