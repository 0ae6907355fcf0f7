// Writes a trace (or a configuration) that stresses one corner of the
// reader or writer where a walk per statement would make the cost grow with
// the square of the size.
//
//   corner_generator KIND N > FILE
//
// KIND, for the built-in default configuration unless said otherwise:
//   activations     N calls and returns to one instance with nested control
//                   flow: its activation record grows to 2N entries
//   loops           N loops nested in one another, then their ends
//   instances       one definition block of N static instances
//   blocks          N definition blocks, then each one selected by SF and
//                   given an instance, oldest first
//   glyphs          one block of N static texts, then N glyphs that a return
//                   finding no message leaves free (the writer writes each
//                   with a statement naming an id the block lacks)
//   synchronisations  N instances, then lines of SY naming as many of them
//                   as a line holds, each id twice
//   live-instances  N dynamic instances created and never deleted, with a
//                   message between neighbours every 1000th: N lifelines
//                   alive at the end
//   styles-tcf      a configuration "corner" of N styles
//   types-tcf       a configuration "corner" of N instance types
//   corner-trace    a small trace for the "corner" configuration

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void line(const std::string& text)
{
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
}

std::string number(long long value)
{
    return std::to_string(value);
}

void activations(long long count)
{
    for (const char* text : {"DB \"default\"", "ID 1", "IN \"Task\" 1 \"caller\"", "IN \"Task\" 2 \"busy\"",
                             "MS 7 \"ping\"", "ED", "SF 1 1", "NI 1 1", "NI 2 2", "CI 1"})
        line(text);
    for (long long i = 0; i < count; ++i) {
        line("ME 7 2");
        line("MR 7");
    }
}

void loops(long long count)
{
    for (const char* text : {"DB \"default\"", "ID 1", "ED", "SF 1 1"})
        line(text);
    for (long long i = 0; i < count; ++i)
        line("LS 2");
    for (long long i = 0; i < count; ++i)
        line("LE");
}

void instances(long long count)
{
    line("DB \"default\"");
    line("ID 1");
    for (long long i = 1; i <= count; ++i)
        line("IN \"Task\" " + number(i) + " \"part" + number(i) + "\"");
    line("ED");
}

void blocks(long long count)
{
    for (long long i = 1; i <= count; ++i) {
        line("DB \"default\"");
        line("ID " + number(i));
        line("IN \"Task\" 1 \"part\"");
        line("ED");
    }
    for (long long i = 1; i <= count; ++i) {
        line("SF " + number(i) + " " + number(i));
        line("NI 1 " + number(i));
    }
}

void synchronisations(long long count)
{
    for (const char* text : {"DB \"default\"", "ID 1", "IN \"Task\" 1 \"member\"", "ED", "SF 1 1"})
        line(text);
    for (long long i = 1; i <= count; ++i)
        line("NI 1 " + number(i));
    // Each id twice, so that every second one is a duplicate to find.
    std::string members = "SY \"all\"";
    for (long long i = 1; i <= count; ++i) {
        const std::string id = " " + number(i);
        if (members.size() + 2 * id.size() >= 63000) {
            line(members);
            members = "SY \"all\"";
        }
        members += id + id;
    }
    line(members);
}

void liveInstances(long long count)
{
    for (const char* text : {"DB \"default\"", "ID 1", "IN \"Task\" 1 \"member\"", "MS 7 \"ping\"", "ED", "SF 1 1"})
        line(text);
    for (long long i = 1; i <= count; ++i)
        line("NI 1 " + number(i));
    for (long long i = 1000; i < count; i += 1000) {
        line("CI " + number(i));
        line("ME 7 " + number(i + 1));
    }
}

void glyphs(long long count)
{
    line("DB \"default\"");
    line("ID 1");
    for (long long i = 0; i < count; ++i)
        line("TX " + number(i) + " \"text" + number(i) + "\"");
    line("ED");
    line("SF 1 1");
    for (long long i = 0; i < count; ++i) {
        line("GL 4");
        line("MR 1");
    }
}

void configurationHead()
{
    line("tcf = {");
    line("    name = \"corner\"");
    line("    id_length = 1");
}

void stylesConfiguration(long long count)
{
    configurationHead();
    for (long long i = 1; i <= count; ++i)
        line("    style = { name = \"s" + number(i) + "\" id = " + number(i) + " }");
    line("    instance_type = { id = Task }");
    line("}");
}

void typesConfiguration(long long count)
{
    configurationHead();
    line("    style = { name = \"plain\" id = 1 }");
    line("    instance_type = { id = Task }");
    for (long long i = 1; i <= count; ++i)
        line("    instance_type = { id = Type" + number(i) + " }");
    line("}");
}

void cornerTrace()
{
    for (const char* text : {"DB \"corner\"", "ID 1", "IN \"Task\" 1 \"one\"", "ED", "SF 1 1", "NI 1 1"})
        line(text);
}

struct Kind {
    const char* name;
    void (*write)(long long count);
};

const Kind kinds[] = {
    {"activations", activations},
    {"loops", loops},
    {"instances", instances},
    {"blocks", blocks},
    {"glyphs", glyphs},
    {"synchronisations", synchronisations},
    {"live-instances", liveInstances},
    {"styles-tcf", stylesConfiguration},
    {"types-tcf", typesConfiguration},
    {"corner-trace", [](long long) { cornerTrace(); }},
};

}

int main(int argc, char** argv)
{
    if (argc == 3) {
        char* end = nullptr;
        const long long count = std::strtoll(argv[2], &end, 10);
        for (const Kind& kind : kinds) {
            if (std::strcmp(kind.name, argv[1]) == 0 && end && !*end && count >= 0) {
                kind.write(count);
                return std::fflush(stdout) == 0 ? 0 : 1;
            }
        }
    }
    std::fputs("usage: corner_generator activations|loops|instances|blocks|glyphs|synchronisations|live-instances|styles-tcf|types-tcf|corner-trace N\n",
               stderr);
    return 2;
}
