#ifndef REWRITE_READING_H
#define REWRITE_READING_H

// Reading a trace as a rewriting client does: every line is handed to a
// reader and what it returned to a writer. Beside the written text, the
// reading keeps a snapshot of the model before each new trace (which
// destroys the objects before it) and at the end, so that a trace and its
// rewrite can be compared model against model.

#include <string>
#include <vector>

class TCFList;

struct RewriteReading {
    std::string rewritten;
    std::vector<std::vector<std::string>> models;
    int errors = 0;  // errors reported while reading
};

// The lines as TDF::readFile hands them over: split after each line feed
// and into chunks of the line buffer's size.
std::vector<std::string> traceLines(const std::string& text);

RewriteReading readAndRewrite(TCFList* configurations, const std::string& text, bool withTimes);

// Where the models of two readings first part (empty when they are the
// same), to show in a failure.
std::string firstModelDifference(const RewriteReading& read, const RewriteReading& reread);

#endif
