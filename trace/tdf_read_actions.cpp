#include "tdf.h"
// Temporary: replaced by the action, synchronisation and trigger handlers.
TDFObject* TDF::readAC(const char*, bool*) { return nullptr; }
void TDF::readBA(const char*) {}
TDFObject* TDF::readEA(const char*, bool*) { return nullptr; }
TDFObject* TDF::readSA(const char*, bool*) { return nullptr; }
TDFObject* TDF::readSY(const char*, bool*) { return nullptr; }
TDFObject* TDF::readET(const char*, bool*) { return nullptr; }
TDFObject* TDF::readGA(const char*, bool*) { return nullptr; }
TDFObject* TDF::readGS(const char*, bool*) { return nullptr; }
