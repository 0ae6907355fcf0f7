#ifndef STORE_KIND_NAME_H
#define STORE_KIND_NAME_H

#include <tdf_objects.h>

// The name of an object kind as the tools print it (stats, the SQL kind
// column), also for the kinds without a statement.
const char* kindName(TDFObjectType type);

#endif
