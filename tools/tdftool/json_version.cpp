#include "json_version.h"

#include "json_writer.h"

void writeVersion(JsonWriter& json)
{
    json.key("version");
    json.beginObject();
    json.key("tool");
    json.string(QStringLiteral(TDF_VERSION));
    json.key("schema");
    json.number(jsonSchemaVersion);
    json.endObject();
}
