#include "labels.h"

#include "text_fit.h"

#include <tcf.h>
#include <tdf_db.h>
#include <tdf_objects.h>

namespace {

// In brackets: generated names already hold a number after '#'.
QString idSuffix(const TDFInstance* instance)
{
    return QStringLiteral(" [%1]").arg(instance->id);
}

}

QString instanceTitle(const TDFInstance* instance)
{
    const QString name = instance->name();
    return name.isEmpty() ? QStringLiteral("instance %1").arg(instance->id) : name;
}

QString identifiedTitle(const TDFInstance* instance)
{
    const QString name = instance->name();
    return name.isEmpty() ? instanceTitle(instance) : name + idSuffix(instance);
}

QString messageName(const TDFMessage* message)
{
    const QString name = message->name();
    if (!name.isNull())
        return name;
    return message->model ? message->model->name : QStringLiteral("message");
}

QString noteText(TDFNote* note)
{
    const QString text = note->name();
    return text.isEmpty() ? QStringLiteral("note") : text;
}

QString glyphText(TDFGlyph* glyph)
{
    const QString text = glyph->name();
    if (!text.isEmpty())
        return text;
    return glyph->definition && !glyph->definition->name.isEmpty() ? glyph->definition->name : QStringLiteral("glyph");
}

QString loopName(const TDFLoopStart* loop)
{
    const QString name = loop->name();
    return name.isEmpty() ? QStringLiteral("loop %1 (x%2)").arg(loop->loopId).arg(loop->iterations) : name;
}

QString threadChangeText(const TDFThreadInfo* info)
{
    QString thread = info->name();
    if (thread.isEmpty())
        thread = info->thread ? QStringLiteral("#%1").arg(info->thread->num) : QStringLiteral("?");
    const QString state = info->threadState && !info->threadState->name.isEmpty()
                              ? info->threadState->name
                              : QStringLiteral("state %1").arg(info->stateId);
    return QStringLiteral("thread %1: %2").arg(thread, state);
}

Label makeLabel(const QString& text, const QString& link, const Style& style, double width)
{
    Label label;
    label.text = elided(singleLine(text), style, width);
    label.tooltip = xmlSafe(text);
    if (!link.isEmpty())
        label.tooltip += QLatin1Char('\n') + xmlSafe(link);
    return label;
}

Label instanceLabel(const TDFInstance* instance, bool withId, const Style& style, double width)
{
    Label label = makeLabel(identifiedTitle(instance), instance->link(), style, width);
    const QString name = instance->name();
    if (!withId || name.isEmpty()) {
        label.text = elided(singleLine(instanceTitle(instance)), style, width);
        return label;
    }
    const QString id = idSuffix(instance);
    label.text = elided(singleLine(name), style, width - estimatedTextWidth(id, style)) + id;
    return label;
}
