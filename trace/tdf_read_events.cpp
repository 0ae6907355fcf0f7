#include "tdf.h"
// Temporary: replaced by the instance and message event handlers.
TDFInstance* TDF::readNI(const char*, bool*, TDF::ModelChangment*) { return nullptr; }
TDFObject* TDF::readCI(const char*, bool*) { return nullptr; }
TDFObject* TDF::readDI(const char*, bool*) { return nullptr; }
TDFObject* TDF::readDA(const char*, bool*) { return nullptr; }
TDFObject* TDF::readMC(const char*, bool*) { return nullptr; }
TDFObject* TDF::readME(const char*, bool*) { return nullptr; }
TDFObject* TDF::readMR(const char*, bool*) { return nullptr; }
