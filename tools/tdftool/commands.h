#ifndef TDFTOOL_COMMANDS_H
#define TDFTOOL_COMMANDS_H

#include "options.h"

class StandardOutput;
class TCFList;

// The commands report every problem through Error; the exit status follows
// from its error count and from whether their output could be written.
void runCheck(const Options& options, TCFList& configurations, StandardOutput& output);
void runRewrite(const Options& options, TCFList& configurations, StandardOutput& output);
void runStats(const Options& options, TCFList& configurations, StandardOutput& output);
// False when the picture could not be written (after saying why).
bool runRender(const Options& options, TCFList& configurations, StandardOutput& output);
// False when the database could not be written (after saying why).
bool runExport(const Options& options, TCFList& configurations, StandardOutput& output);
// False after a statement failed or the database could not be had. The
// trace's own reports are rows of its database, not failures of query.
bool runQuery(const Options& options, TCFList& configurations, StandardOutput& output);
// Serves the trace's view until a stop signal; false when it could not
// listen (after saying why).
bool runView(const Options& options, TCFList& configurations, StandardOutput& output);

#endif
