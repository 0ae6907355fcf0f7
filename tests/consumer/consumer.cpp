// A program built against the installed library, as a client would write
// it: it loads a configuration file, reads a trace against it and formats a
// time. It includes the C library's <error.h> too, which the library's own
// error.h must not hide.

#include <error.h>

#include <tdf/error.h>
#include <tdf/resource_reader.h>
#include <tdf/tcf.h>
#include <tdf/tcf_loader.h>
#include <tdf/tdf.h>
#include <tdf/tdf_time.h>

#include <tdf/qares.h>

#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: consumer CONFIGURATION TRACE\n");
        return 2;
    }
    // The C library's error(), declared by <error.h>, is still there.
    void (*cLibraryError)(int, int, const char*, ...) = &::error;
    (void)cLibraryError;

    std::unique_ptr<QARes> resources(readResourceFile(QString::fromLocal8Bit(argv[1])));
    std::unique_ptr<TCFList> configurations(resources ? readTCFFromResources(resources.get(), nullptr) : nullptr);
    if (!configurations || configurations->count == 0) {
        std::fprintf(stderr, "consumer: no configuration in %s\n", argv[1]);
        return 1;
    }
    TDF reader(configurations.get());
    reader.setStreaming(true);
    const bool read = reader.readFile(QString::fromLocal8Bit(argv[2]));
    const QString last = TDFTime2StringFormat(QStringLiteral("%mms %uus"), 1135000, UNIT_NANOSECOND);
    std::printf("%llu lines, %llu objects, %d errors; 1135000 ns is %s\n", reader.lineNumber,
                reader.appendedObjectTotal(), Error::error_count_, last.toUtf8().constData());
    configurations->deleteConfigurations();
    return read && Error::error_count_ == 0 ? 0 : 1;
}
