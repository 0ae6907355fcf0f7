#include "options.h"

#include <command_line.h>

namespace {

enum OptionId { Display, Node, Config, Export, Library, ScriptDir, Help, Version };

const ToolSyntax syntax = {
    "dcphost",
    "FILE",
    "FILE...",
    {},
    {
        {Display, "--display", nullptr, "", OptionUse::Once, nullptr,
         "Open with the display flag: the report is named after the current node, the script is not silent, and "
         "a single *.dcp.html report is opened with xdg-open."},
        {Node, "--node", nullptr, "NAME", OptionUse::Once, nullptr, "Make NAME the current node of the workspace."},
        {Config, "--config", nullptr, "KEY=VALUE", OptionUse::Repeatable, nullptr,
         "A configuration value of the current node, such as dcp_template or kvr_entrypoints."},
        {Export, "--export", nullptr, "DIR NAME", OptionUse::Once, nullptr,
         "Afterwards export the current report to DIR/NAME.html."},
        {Library, "--library", nullptr, "FILE", OptionUse::Once, nullptr,
         "The plug-in library (default: the installed one, else the one built with dcphost)."},
        {ScriptDir, "--script-dir", nullptr, "DIR", OptionUse::Once, nullptr,
         "The directory of mergedataco.pl (default: the installed one, else the one built with dcphost)."},
        {Help, "--help", "-h", "", OptionUse::Request, nullptr, "Show this text."},
        {Version, "--version", nullptr, "", OptionUse::Request, nullptr, "Show the version of dcphost."},
    },
    "Loads the Data Coupling viewer plug-in the way the desktop host does and opens FILEs with it: *.tio and "
    "*.fdc files (at least one of each) are merged into an HTML report by mergedataco.pl (run with perl), a "
    "single *.dcp.html report is opened with xdg-open when --display is given. Files that give the plug-in "
    "nothing to merge or open are a warning.",
    "The host's output window is standard output (output) and standard error (errors); a message box is "
    "printed on standard error and closed.\n"
    "Exit status: 0 when the plug-in reported no error, 1 when it did, could not be loaded or standard output "
    "could not be written, 2 for a usage error.",
};

bool takeOption(const GivenOption& given, Options& options, QString& problem)
{
    const QStringList& values = given.values;
    switch (OptionId(given.definition->id)) {
    case Display:
        options.display = true;
        break;
    case Node:
        options.hasNode = true;
        options.node = values[0];
        break;
    case Config: {
        const qsizetype equals = values[0].indexOf(QLatin1Char('='));
        if (equals <= 0) {
            problem = QStringLiteral("--config wants KEY=VALUE, not \"%1\"").arg(values[0]);
            return false;
        }
        options.config.append({values[0].left(equals), values[0].mid(equals + 1)});
        break;
    }
    case Export:
        options.exportReport = true;
        options.exportDirectory = values[0];
        options.exportName = values[1];
        break;
    case Library:
        options.library = values[0];
        break;
    case ScriptDir:
        options.scriptDirectory = values[0];
        break;
    case Help:
    case Version:
        break;
    }
    return true;
}

}

bool parseOptions(const QStringList& arguments, Options& options, Request& request, QString& problem)
{
    CommandLine line;
    if (!parseCommandLine(arguments, syntax, line, problem))
        return false;
    request = requestOf(line, Help);
    if (request != Request::Run)
        return true;
    options.files = line.operands;
    for (const GivenOption& given : line.options)
        if (!takeOption(given, options, problem))
            return false;
    if (!options.config.isEmpty() && !options.hasNode) {
        problem = QStringLiteral("--config configures the current node: give --node as well");
        return false;
    }
    if (options.files.isEmpty() && !options.exportReport) {
        problem = QStringLiteral("no files to open (try --help)");
        return false;
    }
    return true;
}

QByteArray usageText()
{
    return helpText(syntax);
}
