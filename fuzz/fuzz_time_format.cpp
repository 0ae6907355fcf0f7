// TDFTime2StringFormat on arbitrary formats, units and times.

#include "fuzz_support.h"

#include <tdf_time.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider input(data, size);
    const auto unit = static_cast<TDFTimeUnitType>(int(input.ConsumeIntegral<uint32_t>()));
    const unsigned long long time = input.ConsumeIntegral<unsigned long long>();
    const std::string bytes = input.ConsumeRemainingBytesAsString();
    const QString format = QString::fromUtf8(bytes.data(), int(bytes.size()));

    const QString text = TDFTime2StringFormat(format, time, unit);
    const QString plain = TDFTime2String(time);
    const bool knownUnit = unit >= UNIT_HOUR && unit <= UNIT_PICOSECOND;
    if ((format.isEmpty() || !knownUnit) && text != plain)
        fuzzFailure("an empty format or an unknown unit gives the plain number",
                    "got \"" + text.toStdString() + "\" for " + plain.toStdString());
    // A time never shows as an empty text, nor with blanks before it (a
    // zero time keeps the text of its unit as written, blanks included).
    if (text.isEmpty() || text.front().isSpace())
        fuzzFailure("the text is neither empty nor indented", "format \"" + bytes + "\" gave \"" + text.toStdString() + '"');
    if (knownUnit && format == QLatin1String("%v") && text != plain)
        fuzzFailure("%v gives the time as it is", text.toStdString());
    return 0;
}
