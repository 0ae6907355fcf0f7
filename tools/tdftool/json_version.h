#ifndef TDFTOOL_JSON_VERSION_H
#define TDFTOOL_JSON_VERSION_H

class JsonWriter;

// The form of the JSON documents of check and stats, raised whenever a key
// goes, is added or changes what it holds (the README tells the changes).
const int jsonSchemaVersion = 2;

// The first key of every JSON document of the tool:
// "version": {"tool": TDF_VERSION, "schema": jsonSchemaVersion}.
void writeVersion(JsonWriter& json);

#endif
