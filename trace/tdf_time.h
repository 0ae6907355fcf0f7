#ifndef TDF_TIME_H
#define TDF_TIME_H

// Rendering of trace times: an unsigned 64-bit count in the trace's own
// unit, shown either as a plain number or laid out by a format string that
// splits it into hours, minutes, seconds and smaller fields.

#include "export.h"

#include <QString>

// The unit a trace counts its time in. A plain int, so that a value read
// from elsewhere is well defined; values outside HOUR..PICOSECOND are
// treated as NONE.
enum TDFTimeUnitType : int {
    UNIT_NONE = 0,
    UNIT_HOUR = 1,
    UNIT_MINUTE = 2,
    UNIT_SECOND = 3,
    UNIT_MILLISECOND = 4,
    UNIT_MICROSECOND = 5,
    UNIT_NANOSECOND = 6,
    UNIT_PICOSECOND = 7
};

// The time in unsigned decimal, without sign, padding or grouping.
TDF_EXPORT QString TDFTime2String(const unsigned long long& time);

// The time laid out by `format`, where a percent sign starts a directive:
//   %H %M %s %m %u %n  hours, minutes, seconds, milli-, micro-, nanoseconds
//                      of what the earlier fields have left; a zero field is
//                      left out together with the text up to the next '%'
//   %0X                the field X even when it is zero
//   %p                 the remaining picoseconds, always
//   %v                 the time as given, in the trace's unit
//   %c                 any other character c, as it is
// Outer white space is removed. When nothing at all is printed the result
// is "0" followed by the text of the last skipped field, so that a zero
// time still shows its unit. A blank format (isBlankTimeFormat) or a unit
// of NONE gives TDFTime2String(time). Times are scaled to picoseconds modulo 2^64, so
// only times below 2^64 ps (about 213 days) come out right.
TDF_EXPORT QString TDFTime2StringFormat(const QString& format, const unsigned long long& time, TDFTimeUnitType unit);

// True for a format that lays nothing out, empty or white space alone: it
// counts as no format, rather than turning every time into "0".
inline bool isBlankTimeFormat(const QString& format)
{
    for (const QChar c : format)
        if (!c.isSpace())
            return false;
    return true;
}

#endif
