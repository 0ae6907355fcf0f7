#ifndef TOOLS_COMMAND_LINE_H
#define TOOLS_COMMAND_LINE_H

// The command line of the project's tools, read against each tool's own
// table of options, from which its --help is written as well:
//  - an option's values follow it as the next arguments; an option with
//    one value also takes it in the same argument, --name=VALUE;
//  - a value is taken as it is, also when it looks like an option;
//  - "--" ends the options; "-" (standard input) is no option;
//  - a request (--help, --version) wins wherever an option may stand;
//  - an option with a value may be given once, unless it is repeatable;
//  - in a tool with commands the command comes first, and each option
//    belongs to the commands its table entry names.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

enum class OptionUse {
    Once,        // a value given twice is a usage error; a flag may repeat
    Repeatable,  // every value is kept, in order
    Request,     // a flag that ends the reading: the rest is not looked at
};

struct OptionDefinition {
    int id;                // the tool's own number for it
    const char* name;      // "--tcf", "-o"
    const char* alias;     // another spelling ("-h" for "--help"), or nullptr
    const char* values;    // the names of its values, separated by blanks
                           // ("DIR NAME"); empty for a flag
    OptionUse use;
    const char* commands;  // the commands that take it, separated by
                           // blanks; nullptr for every command
    const char* help;
};

struct CommandDefinition {
    const char* name;
    const char* operands;  // what follows the options, as --help shows it
    const char* help;
};

struct ToolSyntax {
    const char* program;
    const char* operand;   // the name of one operand ("TRACE", "FILE")
    const char* operands;  // the operands in the usage line ("TRACE...")
    std::vector<CommandDefinition> commands;  // empty for a tool without commands
    std::vector<OptionDefinition> options;
    const char* about;     // the paragraph after the usage lines
    const char* epilogue;  // the paragraph that ends the help, or nullptr
};

struct GivenOption {
    const OptionDefinition* definition;
    QStringList values;
};

struct CommandLine {
    QString command;                      // empty for a tool without commands
    const OptionDefinition* request = nullptr;  // the request that ended the reading
    std::vector<GivenOption> options;     // in the order given
    QStringList operands;
};

// What a tool is to do besides its work.
enum class Request { Run, Help, Version };

// The request that ended the reading: Help when it is the option the tool
// numbers `helpId`, else Version; Run when there was none.
inline Request requestOf(const CommandLine& line, int helpId)
{
    if (!line.request)
        return Request::Run;
    return line.request->id == helpId ? Request::Help : Request::Version;
}

// Reads the arguments after the program name. False with a one-line reason
// in `problem` on a usage error.
bool parseCommandLine(const QStringList& arguments, const ToolSyntax& syntax, CommandLine& line, QString& problem);

// The text --help prints, written from the tables.
QByteArray helpText(const ToolSyntax& syntax);

#endif
