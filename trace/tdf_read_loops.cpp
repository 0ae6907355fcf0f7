#include "tdf.h"
// Temporary: replaced by the loop, note and glyph handlers.
TDFObject* TDF::readLS(const char*, bool*) { return nullptr; }
TDFObject* TDF::readLE(const char*, bool*) { return nullptr; }
bool TDF::readNO(const char*) { return false; }
bool TDF::readGL(const char*) { return false; }
