#ifndef FUZZ_SUPPORT_H
#define FUZZ_SUPPORT_H

// What the fuzz targets share: quiet, recorded diagnostics and a loud stop
// when a property does not hold.

#include <QString>

#include <string>
#include <vector>

// Replaces the printing of reports on standard error by recording the
// error messages (warnings are only counted); call once at start-up.
void installQuietErrorHandler();

// The error messages reported since the last call, which clears them.
std::vector<QString> takeErrors();

// Prints `what` and `details` and aborts, so that libFuzzer keeps the input.
[[noreturn]] void fuzzFailure(const char* what, const std::string& details);

#endif
