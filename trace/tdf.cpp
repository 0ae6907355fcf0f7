#include "tdf.h"

#include <QCoreApplication>

TDF::TDF(TCFList* list) : tcfList(list) {}

QString TDF::strTime(const unsigned long long& time) const
{
    QString text = TDFTime2StringFormat(timeFormat, time, timeUnit);
    if ((timeFormat.isEmpty() || timeUnit == UNIT_NONE) && !timeUnitText.isNull())
        text = QCoreApplication::translate("TDF", "%1 %2",
                                           "%1 is a time number and %2 the time unit; used when there are no "
                                           "time format selected")
                   .arg(text, timeUnitText);
    return text;
}
