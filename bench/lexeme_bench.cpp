// Microbenchmarks of the reader's lexemes and of time formatting.

#include <tdf.h>
#include <tdf_time.h>

#include <benchmark/benchmark.h>

namespace {

void numberLexeme(benchmark::State& state, const char* text)
{
    TDF reader(nullptr);
    for (auto _ : state) {
        const char* cursor = text;
        unsigned long long value = 0;
        benchmark::DoNotOptimize(reader.readNumber(&cursor, &value));
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK_CAPTURE(numberLexeme, decimal, "1234567 ");
BENCHMARK_CAPTURE(numberLexeme, suffixHex, "0f4240h ");
BENCHMARK_CAPTURE(numberLexeme, prefixHex, "h0424f ");

void stringLexeme(benchmark::State& state, const char* text)
{
    TDF reader(nullptr);
    QString result;
    for (auto _ : state) {
        const char* cursor = text;
        benchmark::DoNotOptimize(reader.readString(&cursor, result, false));
    }
}
BENCHMARK_CAPTURE(stringLexeme, plain, "\"operation42\" 12");
BENCHMARK_CAPTURE(stringLexeme, escaped, "\"say \\\"hi\\\" twice\" 12");
BENCHMARK_CAPTURE(stringLexeme, utf8, "\"caf\xc3\xa9 cr\xc3\xa8me\" 12");

void timeFormat(benchmark::State& state, const char* format)
{
    unsigned long long time = 123456789;
    for (auto _ : state)
        benchmark::DoNotOptimize(TDFTime2StringFormat(QString::fromLatin1(format), ++time, UNIT_MICROSECOND));
}
BENCHMARK_CAPTURE(timeFormat, fields, "%Hh %Mmn %ss %mms %uus");
BENCHMARK_CAPTURE(timeFormat, decimal, "");

}

BENCHMARK_MAIN();
