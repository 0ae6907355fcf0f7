#ifndef TDFTOOL_PAGE_PROBLEMS_H
#define TDFTOOL_PAGE_PROBLEMS_H

#include "diagnostic_capture.h"

#include <QString>

#include <functional>

struct ReadingProblems;

// While it lives, what the reading of a picture's trace reports is printed
// as it comes (or passed to the capture before it) and the first reports a
// page lists are kept, each with the number of events stored by then (when
// `storedEvents` tells it: an SVG picture lists reports without a row).
class PageProblemCapture {
public:
    explicit PageProblemCapture(std::function<long long()> storedEvents = {});

    // What the page's data lists; a report about no file is about `trace`.
    ReadingProblems problems(const QString& trace) const;
    // Each as standard error shows it, without its line feed.
    std::vector<QString> lines(const QString& trace) const;
    long long count() const { return capture_.count; }

private:
    DiagnosticCapture capture_;
};

#endif
