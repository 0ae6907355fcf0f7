#ifndef TDFTOOL_COMMANDS_H
#define TDFTOOL_COMMANDS_H

#include "options.h"

class TCFList;

// The commands report every problem through Error; the exit status follows
// from its error count.
void runCheck(const Options& options, TCFList& configurations);
void runRewrite(const Options& options, TCFList& configurations);
void runStats(const Options& options, TCFList& configurations);
// False when the picture could not be written (after saying why).
bool runRender(const Options& options, TCFList& configurations);

#endif
