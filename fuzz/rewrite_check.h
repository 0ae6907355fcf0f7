#ifndef REWRITE_CHECK_H
#define REWRITE_CHECK_H

// The property the trace targets check on every input: a trace and its
// rewrite read as the same model, with and without times, a trace read
// without errors is rewritten into one read without errors, and a
// streaming reader reads it as the reader that keeps everything does.

#include <string>

class TCFList;

void checkRewriteKeepsTheTrace(TCFList* configurations, const std::string& text);

#endif
