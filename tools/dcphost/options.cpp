#include "options.h"

bool parseOptions(const QStringList& arguments, Options& options, Request& request, QString& problem)
{
    request = Request::Run;
    bool filesOnly = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        auto value = [&](int count) {
            if (i + count < arguments.size())
                return true;
            problem = QStringLiteral("%1 needs %2").arg(argument,
                count == 1 ? QStringLiteral("a value") : QStringLiteral("%1 values").arg(count));
            return false;
        };
        if (filesOnly || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            options.files.append(argument);
        } else if (argument == QLatin1String("--")) {
            filesOnly = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            request = Request::Help;
            return true;
        } else if (argument == QLatin1String("--version")) {
            request = Request::Version;
            return true;
        } else if (argument == QLatin1String("--display")) {
            options.display = true;
        } else if (argument == QLatin1String("--node")) {
            if (!value(1))
                return false;
            options.hasNode = true;
            options.node = arguments[++i];
        } else if (argument == QLatin1String("--config")) {
            if (!value(1))
                return false;
            const QString setting = arguments[++i];
            const qsizetype equals = setting.indexOf(QLatin1Char('='));
            if (equals <= 0) {
                problem = QStringLiteral("--config wants KEY=VALUE, not \"%1\"").arg(setting);
                return false;
            }
            options.config.append({setting.left(equals), setting.mid(equals + 1)});
        } else if (argument == QLatin1String("--export")) {
            if (!value(2))
                return false;
            options.exportReport = true;
            options.exportDirectory = arguments[++i];
            options.exportName = arguments[++i];
        } else if (argument == QLatin1String("--library")) {
            if (!value(1))
                return false;
            options.library = arguments[++i];
        } else if (argument == QLatin1String("--script-dir")) {
            if (!value(1))
                return false;
            options.scriptDirectory = arguments[++i];
        } else {
            problem = QStringLiteral("unknown option %1").arg(argument);
            return false;
        }
    }
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

const char* usageText()
{
    return "Usage: dcphost [OPTION]... FILE...\n"
           "Loads the Data Coupling viewer plug-in the way the desktop host does and\n"
           "opens FILEs with it: *.tio and *.fdc files are merged into an HTML report\n"
           "by mergedataco.pl (run with perl), a single *.dcp.html report is opened\n"
           "with xdg-open when --display is given.\n"
           "\n"
           "  --display           open with the display flag: the report is named after\n"
           "                      the current node and the script is not silent\n"
           "  --node NAME         make NAME the current node of the workspace\n"
           "  --config KEY=VALUE  a configuration value of the current node, such as\n"
           "                      dcp_template or kvr_entrypoints (repeatable)\n"
           "  --export DIR NAME   afterwards export the current report to DIR/NAME.html\n"
           "  --library FILE      the plug-in library (default: the one built with dcphost)\n"
           "  --script-dir DIR    the directory of mergedataco.pl (default: the one built\n"
           "                      with dcphost)\n"
           "  -h, --help          show this text\n"
           "  --version           show the version of dcphost\n"
           "  --                  end of options: every later argument is a FILE, also\n"
           "                      one that begins with '-'\n"
           "\n"
           "The host's output window is standard output (output) and standard error\n"
           "(errors); a message box is printed on standard error and closed. Files\n"
           "that give the plug-in nothing to merge or open are a warning.\n"
           "Exit status: 0 when the plug-in reported no error, 1 when it did, could not\n"
           "be loaded or standard output could not be written, 2 for a usage error.\n";
}
