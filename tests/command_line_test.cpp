#include <command_line.h>

#include "qstring_print.h"

#include <gtest/gtest.h>

namespace {

enum { Config, Flag, Output, Pair, Help };

// A tool with two commands and options of each kind.
const ToolSyntax syntax = {
    "tool",
    "FILE",
    "FILE...",
    {{"read", "FILE...", "Reads files."}, {"draw", "FILE", "Draws a file."}},
    {
        {Config, "--config", nullptr, "FILE", OptionUse::Repeatable, nullptr, "A configuration."},
        {Flag, "--flag", nullptr, "", OptionUse::Once, "read", "A flag of read."},
        {Output, "-o", nullptr, "OUT", OptionUse::Once, "draw", "The output."},
        {Pair, "--pair", nullptr, "KEY VALUE", OptionUse::Once, nullptr, "Two values."},
        {Help, "--help", "-h", "", OptionUse::Request, nullptr, "Prints this text."},
    },
    "A tool to test the command line with, whose description is long enough to need wrapping twice or more "
    "before it ends.",
    "Exit status: 0.",
};

struct Reading {
    bool ok;
    CommandLine line;
    QString problem;
};

Reading read(const QStringList& arguments)
{
    Reading reading;
    reading.ok = parseCommandLine(arguments, syntax, reading.line, reading.problem);
    return reading;
}

QStringList valuesOf(const CommandLine& line, int id)
{
    QStringList values;
    for (const GivenOption& option : line.options)
        if (option.definition->id == id)
            values += option.values;
    return values;
}

QString problemOf(const QStringList& arguments)
{
    const Reading reading = read(arguments);
    EXPECT_FALSE(reading.ok) << arguments.join(' ').toStdString();
    return reading.problem;
}

TEST(CommandLine, AValueIsTheNextArgumentOrFollowsAnEqualsSign)
{
    const Reading apart = read({"draw", "--config", "a.tcf", "-o", "x.svg", "--pair", "k", "v", "t"});
    const Reading joined = read({"draw", "--config=a.tcf", "-o", "x.svg", "--pair", "k", "v", "t"});
    for (const Reading& reading : {apart, joined}) {
        ASSERT_TRUE(reading.ok) << reading.problem.toStdString();
        EXPECT_EQ(reading.line.command, "draw");
        EXPECT_EQ(valuesOf(reading.line, Config), QStringList{"a.tcf"});
        EXPECT_EQ(valuesOf(reading.line, Output), QStringList{"x.svg"});
        EXPECT_EQ(valuesOf(reading.line, Pair), (QStringList{"k", "v"}));
        EXPECT_EQ(reading.line.operands, QStringList{"t"});
    }
    // The value after = is all of the rest, also empty or with more = in it.
    EXPECT_EQ(valuesOf(read({"read", "--config=", "--config=a=b", "t"}).line, Config), (QStringList{"", "a=b"}));
    // A short option takes no =: "-o=x.svg" is no spelling of -o.
    EXPECT_EQ(problemOf({"draw", "-o=x.svg", "t"}), "unknown option -o=x.svg for draw");
    EXPECT_EQ(problemOf({"read", "--flag=yes", "t"}), "--flag takes no value");
    EXPECT_EQ(problemOf({"read", "--pair=k", "v", "t"}), "--pair takes its 2 values as separate arguments");
    EXPECT_EQ(problemOf({"read", "--pair", "k"}), "--pair needs 2 values");
    EXPECT_EQ(problemOf({"draw", "t", "-o"}), "-o needs a value");
}

TEST(CommandLine, ValuesAndOperandsAreTakenAsTheyAre)
{
    const Reading reading = read({"read", "--config", "-h", "--config", "--", "-", "--", "--help", "-x"});
    ASSERT_TRUE(reading.ok) << reading.problem.toStdString();
    EXPECT_EQ(reading.line.request, nullptr);
    EXPECT_EQ(valuesOf(reading.line, Config), (QStringList{"-h", "--"}));
    EXPECT_EQ(reading.line.operands, (QStringList{"-", "--help", "-x"}));
}

TEST(CommandLine, OnlyRepeatableOptionsTakeASecondValue)
{
    EXPECT_EQ(valuesOf(read({"read", "--config", "a", "--config=b", "t"}).line, Config), (QStringList{"a", "b"}));
    EXPECT_EQ(problemOf({"draw", "-o", "a.svg", "t", "-o", "b.svg"}), "-o may be given once only");
    EXPECT_EQ(problemOf({"draw", "--pair", "a", "b", "--pair=c"}), "--pair takes its 2 values as separate arguments");
    EXPECT_EQ(problemOf({"draw", "--pair", "a", "b", "--pair", "c", "d"}), "--pair may be given once only");
    // A flag given again changes nothing.
    EXPECT_TRUE(read({"read", "--flag", "--flag", "t"}).ok);
}

TEST(CommandLine, ARequestWinsWhereAnOptionMayStand)
{
    for (const QStringList& arguments : {QStringList{"--help"}, QStringList{"-h", "bogus"},
                                         QStringList{"draw", "t", "-h", "--bogus"}}) {
        const Reading reading = read(arguments);
        ASSERT_TRUE(reading.ok) << reading.problem.toStdString();
        ASSERT_NE(reading.line.request, nullptr);
        EXPECT_EQ(reading.line.request->id, Help);
    }
    // What comes before it is read first.
    EXPECT_EQ(problemOf({"draw", "--bogus", "--help"}), "unknown option --bogus for draw");
}

TEST(CommandLine, OptionsBelongToTheirCommands)
{
    EXPECT_EQ(problemOf({"draw", "--flag", "t"}), "unknown option --flag for draw");
    EXPECT_EQ(problemOf({"read", "-o", "x", "t"}), "unknown option -o for read");
    EXPECT_EQ(problemOf({}), "no command given (read or draw); see tool --help");
    EXPECT_EQ(problemOf({"frob"}), "unknown command \"frob\" (read or draw)");
    // An option in place of the command is no command of that name.
    EXPECT_EQ(problemOf({"-v", "read"}), "unknown option -v; see tool --help");
    EXPECT_EQ(problemOf({"--config=a", "read"}), "--config comes after the command (read or draw)");
    EXPECT_EQ(problemOf({"--help=all"}), "--help takes no value");
}

TEST(CommandLine, HelpTellsEveryOptionOfTheTableWithinEightyColumns)
{
    const QString help = QString::fromLocal8Bit(helpText(syntax));
    EXPECT_TRUE(help.startsWith("usage: tool COMMAND [OPTION]... FILE...\n       tool --help\n\n")) << help.toStdString();
    for (const char* line : {"  read [OPTION]... FILE...\n      Reads files.\n      options: --config, --flag, --pair\n",
                             "  draw [OPTION]... FILE\n      Draws a file.\n      options: --config, -o, --pair\n",
                             "  --config FILE       A configuration. Repeatable.\n",
                             "  --flag              (read) A flag of read.\n",
                             "  --pair KEY VALUE    Two values.\n",
                             "  -h, --help          Prints this text.\n",
                             "(--config=FILE)"})
        EXPECT_TRUE(help.contains(QLatin1String(line))) << line << "\n" << help.toStdString();
    EXPECT_TRUE(help.endsWith("\n\nExit status: 0.\n")) << help.toStdString();
    for (const QString& line : help.split('\n')) {
        EXPECT_LE(line.size(), 79) << line.toStdString();
        EXPECT_FALSE(line.endsWith(' ')) << line.toStdString();
    }
}

}
