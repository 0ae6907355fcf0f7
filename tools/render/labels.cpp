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

QString eventLabel(TDFObject* event)
{
    switch (event->type) {
    case TDF_MESSAGE:
        return messageName(event->toMessage());
    case TDF_MESSAGE_RETURN: {
        const TDFMessage* message = event->toMessageReturn()->message;
        return message ? messageName(message) : QString();
    }
    case TDF_MESSAGE_CALL: {
        const TDFMessageCall* call = event->toMessageCall();
        const TDFMessage* message = call->message;
        QString text = QStringLiteral("call %1 #%2")
                           .arg(message ? messageName(message) : QStringLiteral("?"), QString::number(call->callId));
        if (message && message->awaitingCompletion)
            text += QStringLiteral(" (not completed)");
        return text;
    }
    case TDF_INSTANCE:
        return instanceTitle(event->toInstance());
    case TDF_ACTION: {
        const QString name = event->toAction()->name();
        return name.isEmpty() ? QStringLiteral("action") : name;
    }
    case TDF_SYNCHRONISATION: {
        const QString name = event->toSynchronisation()->name();
        return name.isEmpty() ? QStringLiteral("synchronisation") : name;
    }
    case TDF_NOTE:
        return noteText(event->toNote());
    case TDF_GLYPH:
        return glyphText(event->toGlyph());
    case TDF_THREAD_INFO: {
        const TDFThreadInfo* info = event->toThreadInfo();
        return threadChangeText(info) + QStringLiteral(" (priority %1)").arg(info->priority);
    }
    case TDF_EXTERNAL_TRIGGER:
        return QStringLiteral("externally triggered trace");
    case TDF_TRIGGER_START:
        return QStringLiteral("trigger start");
    case TDF_TRIGGER_STOP:
        return QStringLiteral("trigger stop");
    case TDF_LOOP_START:
        return loopName(event->toLoopStart());
    case TDF_LOOP_END: {
        const TDFLoopStart* start = event->toLoopEnd()->loopStart;
        return start ? loopName(start) : QString();
    }
    default:
        return QString();  // deletions are drawn without a text
    }
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
