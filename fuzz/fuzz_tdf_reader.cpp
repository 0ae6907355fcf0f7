// The trace reader on arbitrary bytes, line by line over a small fixed
// configuration; what it returns is written back with the writer and the
// output read again. The writer writes only what was read successfully, so
// the second reading must report no error that the first did not.

#include "fuzz_support.h"

#include <resource_reader.h>
#include <tcf.h>
#include <tcf_loader.h>
#include <tdf.h>
#include <tdfwrt.h>

#include <qares.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Two-word block ids with nested control flow, one-word ids with flat
// control flow, and a configuration that hides the world actor.
const char configurationText[] = R"(
tcf = {
    name = "test"
    id_length = 2
    control_flow = NESTED
    style = { name = "first" id = 1 }
    style = { name = "second" id = 2 }
    style = { name = "third" id = 3 }
    instance_type = { id = Task style = 2 }
    instance_type = { id = Module control_flow = FLAT }
    instance_type = { id = Named naming = [ "%1#%2", STATIC_NAME, D_OCCURENCE ] }
    thread_state = { id = 1 name = "running" is_active_state = true }
    thread_state = { id = 2 name = "ready" }
    glyph = { id = 4 name = "unexpected call" type = UNEXPECTED_CALL }
    glyph = { id = 5 name = "mark" }
    loop_naming = [ "loop %1 x%2 #%3", LOOP_ID, LOOP_REPEAT, LOOP_NUMBER ]
}
tcf = {
    name = "default"
    id_length = 1
    style = { name = "only" id = 1 }
    instance_type = { id = Task }
    instance_type = { id = Object }
    instance_type = { id = Module }
    instance_type = { id = Interrupt }
    thread_state = { id = 1 name = "running" is_active_state = true }
    thread_state = { id = 2 name = "ready" }
    glyph = { id = 2 name = "mark" }
}
tcf = {
    name = "hidden"
    id_length = 1
    display_world_actor = false
    instance_type = { id = Task }
}
)";

TCFList* configurations = nullptr;

// The lines as TDF::readFile hands them over: split after each line feed
// and into chunks of the line buffer's size, each ending at its first NUL.
std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    const size_t chunk = TDF::lineBufferSize - 1;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        end = std::min(end, start + chunk);
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

struct Reading {
    std::string written;
    std::vector<QString> errors;
};

Reading readAndWrite(const std::string& text, bool times)
{
    Reading reading;
    std::ostringstream out;
    {
        TDF reader(configurations);
        TDFWriter writer(out);
        writer.writeTimes = times;
        for (const std::string& line : linesOf(text)) {
            TDF::ModelChangment change;
            TDFObject* object = reader.read(line.c_str(), nullptr, &change);
            writer.writeReadLine(reader, object);
        }
    }
    reading.written = out.str();
    reading.errors = takeErrors();
    return reading;
}

std::string joined(const std::vector<QString>& messages)
{
    std::string text;
    for (const QString& message : messages)
        text += "  " + message.toStdString() + '\n';
    return text;
}

void checkRoundTrip(const std::string& text, bool times)
{
    const Reading first = readAndWrite(text, times);
    // Past its error limit the reader reports nothing more, so the errors
    // of the input are no longer known.
    if (std::any_of(first.errors.begin(), first.errors.end(),
                    [](const QString& error) { return error.startsWith(QLatin1String("error limit reached")); }))
        return;
    const Reading second = readAndWrite(first.written, times);
    for (const QString& error : second.errors) {
        if (std::find(first.errors.begin(), first.errors.end(), error) != first.errors.end())
            continue;
        fuzzFailure(times ? "the rewrite (with times) reads without new errors" : "the rewrite reads without new errors",
                    "new error: " + error.toStdString() + "\nerrors of the input:\n" + joined(first.errors) +
                        "rewrite:\n" + first.written);
    }
}

}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    installQuietErrorHandler();
    bool ok = false;
    std::unique_ptr<QARes> resources(readResourceText(QByteArray(configurationText), QStringLiteral("fuzz.tcf"), &ok));
    configurations = readTCFFromResources(resources.get(), nullptr);
    if (!ok || !configurations || configurations->count != 3 || !takeErrors().empty()) {
        std::fprintf(stderr, "the fuzz configuration does not load\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    checkRoundTrip(text, false);
    checkRoundTrip(text, true);
    return 0;
}
