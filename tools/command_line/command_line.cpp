#include "command_line.h"

#include "option_words.h"

#include <optional>

namespace {

bool isOption(const QString& argument)
{
    return argument.startsWith(QLatin1Char('-')) && argument != QLatin1String("-");
}

// An option's name, and the value that follows "=" in --name=VALUE.
struct OptionArgument {
    QString name;
    std::optional<QString> attached;
};

OptionArgument splitOption(const QString& argument)
{
    const qsizetype equals = argument.indexOf(QLatin1Char('='));
    if (argument.startsWith(QLatin1String("--")) && equals > 2)
        return {argument.left(equals), argument.mid(equals + 1)};
    return {argument, std::nullopt};
}

const OptionDefinition* findOption(const ToolSyntax& syntax, const QString& name)
{
    for (const OptionDefinition& definition : syntax.options)
        if (name == QLatin1String(definition.name) || (definition.alias && name == QLatin1String(definition.alias)))
            return &definition;
    return nullptr;
}

// The command, or a request in its place; any other option there is an
// error, not a command of that name.
bool readCommand(const QStringList& arguments, const ToolSyntax& syntax, CommandLine& line, QString& problem)
{
    const QString program = QLatin1String(syntax.program);
    if (arguments.isEmpty()) {
        problem = QStringLiteral("no command given (%1); see %2 --help").arg(commandList(syntax), program);
        return false;
    }
    const QString& first = arguments.first();
    if (isOption(first)) {
        const OptionArgument option = splitOption(first);
        const OptionDefinition* definition = findOption(syntax, option.name);
        if (!definition)
            problem = QStringLiteral("unknown option %1; see %2 --help").arg(option.name, program);
        else if (definition->use != OptionUse::Request)
            problem = QStringLiteral("%1 comes after the command (%2)").arg(option.name, commandList(syntax));
        else if (option.attached)
            problem = QStringLiteral("%1 takes no value").arg(option.name);
        else
            line.request = definition;
        return line.request != nullptr;
    }
    for (const CommandDefinition& command : syntax.commands) {
        if (first == QLatin1String(command.name)) {
            line.command = first;
            return true;
        }
    }
    problem = QStringLiteral("unknown command \"%1\" (%2)").arg(first, commandList(syntax));
    return false;
}

}

bool parseCommandLine(const QStringList& arguments, const ToolSyntax& syntax, CommandLine& line, QString& problem)
{
    line = CommandLine();
    int next = 0;
    if (!syntax.commands.empty()) {
        if (!readCommand(arguments, syntax, line, problem))
            return false;
        if (line.request)
            return true;
        next = 1;
    }

    bool operandsOnly = false;
    for (int i = next; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (operandsOnly || !isOption(argument)) {
            line.operands.append(argument);
            continue;
        }
        if (argument == QLatin1String("--")) {
            operandsOnly = true;
            continue;
        }
        const auto [name, attached] = splitOption(argument);
        const OptionDefinition* definition = findOption(syntax, name);
        if (!definition || !belongsTo(*definition, line.command)) {
            problem = line.command.isEmpty() ? QStringLiteral("unknown option %1").arg(name)
                                             : QStringLiteral("unknown option %1 for %2").arg(name, line.command);
            return false;
        }
        const qsizetype count = words(definition->values).size();
        if (attached && count != 1) {
            problem = count == 0 ? QStringLiteral("%1 takes no value").arg(name)
                                 : QStringLiteral("%1 takes its %2 values as separate arguments").arg(name).arg(count);
            return false;
        }
        if (definition->use == OptionUse::Request) {
            line.request = definition;
            return true;
        }
        if (count > 0 && definition->use == OptionUse::Once) {
            for (const GivenOption& earlier : line.options) {
                if (earlier.definition == definition) {
                    problem = QStringLiteral("%1 may be given once only").arg(name);
                    return false;
                }
            }
        }
        GivenOption option{definition, {}};
        if (attached) {
            option.values.append(*attached);
        } else {
            if (i + count >= arguments.size()) {
                problem = count == 1 ? QStringLiteral("%1 needs a value").arg(name)
                                     : QStringLiteral("%1 needs %2 values").arg(name).arg(count);
                return false;
            }
            for (qsizetype k = 0; k < count; ++k)
                option.values.append(arguments[++i]);
        }
        line.options.push_back(option);
    }
    return true;
}
