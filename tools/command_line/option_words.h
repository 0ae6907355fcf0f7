#ifndef TOOLS_OPTION_WORDS_H
#define TOOLS_OPTION_WORDS_H

// What the reading and the help text both take from the tables.

#include "command_line.h"

// The blank-separated words of a table field (none for nullptr).
inline QStringList words(const char* text)
{
    return QString::fromLatin1(text ? text : "").split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

inline bool belongsTo(const OptionDefinition& definition, const QString& command)
{
    return !definition.commands || words(definition.commands).contains(command);
}

// "check, rewrite, stats or render"
inline QString commandList(const ToolSyntax& syntax)
{
    QString list;
    for (std::size_t i = 0; i < syntax.commands.size(); ++i) {
        if (i > 0)
            list += i + 1 == syntax.commands.size() ? QStringLiteral(" or ") : QStringLiteral(", ");
        list += QLatin1String(syntax.commands[i].name);
    }
    return list;
}

#endif
