#include "command_line.h"

#include "option_words.h"

namespace {

constexpr int textWidth = 79;
constexpr int commandIndent = 6;
constexpr int optionIndent = 22;

QString withoutTrailingBlanks(QString line)
{
    while (line.endsWith(QLatin1Char(' ')))
        line.chop(1);
    return line + QLatin1Char('\n');
}

// `text` wrapped into lines of at most textWidth columns (a longer word
// stands alone), each indented by `indent`; `label` begins the first line,
// which has a line of its own when the label reaches into the indent.
QString wrappedLine(const QString& text, int indent, const QString& label)
{
    const QString margin(indent, QLatin1Char(' '));
    QString result;
    QString line = label;
    if (line.size() > indent) {
        result = withoutTrailingBlanks(line);
        line.clear();
    }
    line = line.leftJustified(indent);
    bool lineEmpty = true;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!lineEmpty && line.size() + 1 + word.size() > textWidth) {
            result += withoutTrailingBlanks(line);
            line = margin;
            lineEmpty = true;
        }
        if (!lineEmpty)
            line += QLatin1Char(' ');
        line += word;
        lineEmpty = false;
    }
    return result + withoutTrailingBlanks(line);
}

// The same for a text whose line feeds are breaks that stay.
QString wrapped(const QString& text, int indent, const QString& label = QString())
{
    QString result;
    const QStringList pieces = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < pieces.size(); ++i)
        result += wrappedLine(pieces[i], indent, i == 0 ? label : QString());
    return result;
}

QString optionLabel(const OptionDefinition& definition)
{
    QString label = QStringLiteral("  ");
    if (definition.alias)
        label += QLatin1String(definition.alias) + QStringLiteral(", ");
    label += QLatin1String(definition.name);
    if (*definition.values)
        label += QLatin1Char(' ') + QLatin1String(definition.values);
    return label + QLatin1Char(' ');
}

QString usageLines(const ToolSyntax& syntax)
{
    const QString program = QLatin1String(syntax.program);
    QString usage = QStringLiteral("usage: ") + program;
    if (!syntax.commands.empty())
        usage += QStringLiteral(" COMMAND");
    usage += QStringLiteral(" [OPTION]... ") + QLatin1String(syntax.operands) + QLatin1Char('\n');
    QStringList requests;
    for (const OptionDefinition& definition : syntax.options)
        if (definition.use == OptionUse::Request)
            requests.append(QLatin1String(definition.name));
    if (!requests.isEmpty())
        usage += QStringLiteral("       ") + program + QLatin1Char(' ') + requests.join(QStringLiteral(" | ")) +
                 QLatin1Char('\n');
    return usage;
}

QString commandsPart(const ToolSyntax& syntax)
{
    QString part = QStringLiteral("\ncommands:\n");
    for (const CommandDefinition& command : syntax.commands) {
        const QString name = QLatin1String(command.name);
        part += QStringLiteral("  ") + name + QStringLiteral(" [OPTION]... ") + QLatin1String(command.operands) +
                QLatin1Char('\n');
        part += wrapped(QLatin1String(command.help), commandIndent);
        QStringList options;
        for (const OptionDefinition& definition : syntax.options)
            if (definition.use != OptionUse::Request && belongsTo(definition, name))
                options.append(QLatin1String(definition.name));
        if (!options.isEmpty())
            part += wrapped(QStringLiteral("options: ") + options.join(QStringLiteral(", ")), commandIndent);
    }
    return part;
}

// How values are given, with the first option of one value as the example.
QString valuesNote(const ToolSyntax& syntax)
{
    for (const OptionDefinition& definition : syntax.options) {
        const QStringList values = words(definition.values);
        if (values.size() == 1)
            return QStringLiteral("An option's value follows it as the next argument, or after = in the same one "
                                  "(%1=%2), and is taken as it is, also when it begins with -. An option with a "
                                  "value may be given once only, unless it is repeatable.")
                .arg(QLatin1String(definition.name), values.first());
    }
    return QString();
}

QString optionsPart(const ToolSyntax& syntax)
{
    QString part = QStringLiteral("\noptions:\n");
    for (const OptionDefinition& definition : syntax.options) {
        if (definition.use == OptionUse::Request)
            continue;
        QString help = QLatin1String(definition.help);
        if (definition.commands && !syntax.commands.empty())
            help = QStringLiteral("(%1) ").arg(words(definition.commands).join(QStringLiteral(", "))) + help;
        if (definition.use == OptionUse::Repeatable)
            help += QStringLiteral(" Repeatable.");
        part += wrapped(help, optionIndent, optionLabel(definition));
    }
    part += wrapped(QStringLiteral("End of options: every later argument is a %1, also one that begins with -.")
                        .arg(QLatin1String(syntax.operand)),
                    optionIndent, QStringLiteral("  -- "));
    for (const OptionDefinition& definition : syntax.options)
        if (definition.use == OptionUse::Request)
            part += wrapped(QLatin1String(definition.help), optionIndent, optionLabel(definition));
    const QString note = valuesNote(syntax);
    return note.isEmpty() ? part : part + QLatin1Char('\n') + wrapped(note, 0);
}

}

QByteArray helpText(const ToolSyntax& syntax)
{
    QString text = usageLines(syntax) + QLatin1Char('\n') + wrapped(QLatin1String(syntax.about), 0);
    if (!syntax.commands.empty())
        text += commandsPart(syntax);
    text += optionsPart(syntax);
    if (syntax.epilogue)
        text += QLatin1Char('\n') + wrapped(QLatin1String(syntax.epilogue), 0);
    return text.toLocal8Bit();
}
