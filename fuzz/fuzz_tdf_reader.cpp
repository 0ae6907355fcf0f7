// The trace reader on arbitrary bytes, line by line over a small fixed
// configuration; what it returns is written back with the writer and the
// output read again, which must give the same model.

#include "fuzz_support.h"
#include "rewrite_check.h"

#include <resource_reader.h>
#include <tcf.h>
#include <tcf_loader.h>

#include <qares.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

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
    checkRewriteKeepsTheTrace(configurations, std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
