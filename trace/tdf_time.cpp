#include "tdf_time.h"

namespace {

const unsigned long long picosecondsPerNanosecond = 1000ULL;
const unsigned long long picosecondsPerMicrosecond = 1000ULL * picosecondsPerNanosecond;
const unsigned long long picosecondsPerMillisecond = 1000ULL * picosecondsPerMicrosecond;
const unsigned long long picosecondsPerSecond = 1000ULL * picosecondsPerMillisecond;
const unsigned long long picosecondsPerMinute = 60ULL * picosecondsPerSecond;
const unsigned long long picosecondsPerHour = 60ULL * picosecondsPerMinute;

// Picoseconds in one unit, or 0 for NONE and for values outside the
// enumeration.
unsigned long long picosecondsPer(TDFTimeUnitType unit)
{
    switch (unit) {
    case UNIT_HOUR: return picosecondsPerHour;
    case UNIT_MINUTE: return picosecondsPerMinute;
    case UNIT_SECOND: return picosecondsPerSecond;
    case UNIT_MILLISECOND: return picosecondsPerMillisecond;
    case UNIT_MICROSECOND: return picosecondsPerMicrosecond;
    case UNIT_NANOSECOND: return picosecondsPerNanosecond;
    case UNIT_PICOSECOND: return 1;
    default: return 0;
    }
}

// The picoseconds in one unit of a field letter, or 0 for any other
// character.
unsigned long long fieldDivisor(QChar letter)
{
    switch (letter.unicode()) {
    case 'H': return picosecondsPerHour;
    case 'M': return picosecondsPerMinute;
    case 's': return picosecondsPerSecond;
    case 'm': return picosecondsPerMillisecond;
    case 'u': return picosecondsPerMicrosecond;
    case 'n': return picosecondsPerNanosecond;
    default: return 0;
    }
}

}

QString TDFTime2String(const unsigned long long& time)
{
    return QString::number(time);
}

QString TDFTime2StringFormat(const QString& format, const unsigned long long& time, TDFTimeUnitType unit)
{
    const unsigned long long scale = picosecondsPer(unit);
    if (isBlankTimeFormat(format) || scale == 0)
        return TDFTime2String(time);

    // Wraps modulo 2^64 on purpose: times past about 213 days are not
    // representable in picoseconds and are not worth a wider type.
    unsigned long long rest = time * scale;
    QString result;
    // The literal text after a skipped field; it stands in for the unit when
    // nothing at all gets printed.
    QString pending;
    bool inDirective = false;
    bool skipping = false;
    bool suppressZero = true;

    for (const QChar c : format) {
        if (!inDirective) {
            if (c == QLatin1Char('%')) {
                pending = QString();
                inDirective = true;
                skipping = false;
            } else if (skipping) {
                pending += c;
            } else {
                result += c;
            }
            continue;
        }

        if (c == QLatin1Char('0')) {
            // Forces the field that follows; the directive stays open.
            suppressZero = false;
            skipping = false;
            continue;
        }
        inDirective = false;
        if (const unsigned long long divisor = fieldDivisor(c)) {
            const unsigned long long quotient = rest / divisor;
            if (suppressZero && quotient == 0) {
                skipping = true;
            } else {
                rest %= divisor;
                result += TDFTime2String(quotient);
                suppressZero = true;
                skipping = false;
            }
        } else if (c == QLatin1Char('p')) {
            result += TDFTime2String(rest);
            rest = 0;
            skipping = false;
        } else if (c == QLatin1Char('v')) {
            result += TDFTime2String(time);
            rest = 0;
            skipping = false;
        } else {
            result += c;
            skipping = false;
        }
    }
    if (inDirective)
        result += QLatin1Char('%');

    // A result of blanks alone counts as nothing printed: the time must
    // never show as an empty text.
    const QString trimmed = result.trimmed();
    if (!trimmed.isEmpty())
        return trimmed;
    return QStringLiteral("0") + pending;
}
