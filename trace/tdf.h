#ifndef TDF_TDF_H
#define TDF_TDF_H

// The reader of trace data files.

#include "export.h"
#include "tdf_time.h"

#include <QString>

class TCFList;

class TDF_EXPORT TDF {
public:
    explicit TDF(TCFList* list);
    TDF(const TDF&) = delete;
    TDF& operator=(const TDF&) = delete;

    void setTimeFormat(const QString& format) { timeFormat = format; }
    // The time in the client's format and the trace's unit; without a format
    // that applies, the count followed by the unit as the trace wrote it.
    QString strTime(const unsigned long long& time) const;

    TCFList* tcfList;
    unsigned long long modelessCount = 0;  // occurrence counter of modeless instances; never reset
    QString timeUnitText;                  // the TU token as read; null before any TU
    TDFTimeUnitType timeUnit = UNIT_NONE;
    QString timeFormat;
};

#endif
