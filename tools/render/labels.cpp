#include "labels.h"

#include "text_fit.h"

#include <tcf.h>
#include <tdf_db.h>
#include <tdf_objects.h>

namespace {

// In brackets: generated names already hold a number after '#'.
QString idSuffix(unsigned long long id)
{
    return QStringLiteral(" [%1]").arg(id);
}

}

QString instanceTitle(const QString& name, unsigned long long id)
{
    return name.isEmpty() ? QStringLiteral("instance %1").arg(id) : name;
}

QString instanceTitle(const TDFInstance* instance)
{
    return instanceTitle(instance->name(), instance->id);
}

QString identifiedTitle(const QString& name, unsigned long long id)
{
    return name.isEmpty() ? instanceTitle(name, id) : name + idSuffix(id);
}

QString identifiedTitle(const TDFInstance* instance)
{
    return identifiedTitle(instance->name(), instance->id);
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

QString loopName(const QString& name, const QString& loopId, unsigned long long iterations)
{
    return name.isEmpty() ? QStringLiteral("loop %1 (x%2)").arg(loopId).arg(iterations) : name;
}

QString loopName(const TDFLoopStart* loop)
{
    return loopName(loop->name(), loop->loopId, loop->iterations);
}

QString threadTitle(const QString& name, unsigned long long number)
{
    return name.isEmpty() ? QStringLiteral("#%1").arg(number) : name;
}

QString threadStateText(const TDFThreadInfo* info)
{
    const QString state = info->threadState && !info->threadState->name.isEmpty()
                              ? info->threadState->name
                              : QStringLiteral("state %1").arg(info->stateId);
    return state + QStringLiteral(" (priority %1)").arg(info->priority);
}

QString threadChangeLabel(const QString& thread, const QString& state)
{
    return QStringLiteral("thread %1: %2").arg(thread, state);
}

QString uncompletedCallLabel(const QString& completedLabel)
{
    return completedLabel + QStringLiteral(" (not completed)");
}

QString callLabel(const TDFMessageCall* call, bool completed)
{
    const TDFMessage* message = call->message;
    const QString text = QStringLiteral("call %1 #%2")
                             .arg(message ? messageName(message) : QStringLiteral("?"), QString::number(call->callId));
    return completed ? text : uncompletedCallLabel(text);
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
        return callLabel(call, !call->message || !call->message->awaitingCompletion);
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
        const QString thread = info->thread ? threadTitle(info->name(), info->thread->num) : QStringLiteral("?");
        return threadChangeLabel(thread, threadStateText(info));
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
    const QString id = idSuffix(instance->id);
    label.text = elided(singleLine(name), style, width - estimatedTextWidth(id, style)) + id;
    return label;
}
