#include "page_looks.h"

#include "json_string.h"
#include "labels.h"
#include "svg_paint.h"

// The rule of activation bars is the reader's own: the page follows it on
// the rows, where the streaming reader keeps no events.
#include <internal/activation.h>

#include <tcf.h>
#include <tdf.h>
#include <tdf_objects.h>

namespace {

QByteArray styleJson(const Style& style)
{
    constexpr JsonStringUse use = JsonStringUse::HtmlScript;
    QByteArray json = "{\"line\":" + jsonString(svgColor(style.lineColor()), use) +
                      ",\"text\":" + jsonString(svgColor(style.textColor()), use) +
                      ",\"back\":" + jsonString(svgColor(style.backColor()), use) +
                      ",\"font\":" + jsonString(fontFamily(style), use) +
                      ",\"size\":" + QByteArray::number(fontSizeOf(style)) + ",\"bold\":" +
                      (style.isBold() ? "true" : "false") + ",\"italic\":" + (style.isItalic() ? "true" : "false") +
                      ",\"underline\":" + (style.isUnderline() ? "true" : "false") + ",\"dash\":[" +
                      dashPattern(style.lineStyle()).toLatin1() + "],\"head\":";
    switch (style.arrowStyle()) {
    case Style::OPEN_ARROW: json += "\"open\""; break;
    case Style::HALF_ARROW: json += "\"half\""; break;
    default: json += "\"plain\""; break;  // also for values outside the enumeration
    }
    return json + '}';
}

// The part of an event's label that no later line changes (see label).
QString lastingLabel(TDFObject* object)
{
    switch (object->type) {
    case TDF_INSTANCE:
    case TDF_LOOP_END:
        return QString();
    case TDF_LOOP_START:
        return object->name();
    case TDF_MESSAGE_CALL:
        return callLabel(object->toMessageCall(), true);
    case TDF_THREAD_INFO:
        return threadStateText(object->toThreadInfo());
    default:
        return eventLabel(object);
    }
}

}

PageLooks::PageLooks(const TDF& reader, store::StoreBuilder& builder)
    : reader_(reader), builder_(builder), palette_(reader.tcf)
{
    builder_.setFollower(this);
}

PageLooks::~PageLooks()
{
    builder_.setFollower(nullptr);
}

std::int32_t PageLooks::text(const QString& value)
{
    if (value.isEmpty())
        return none;
    const auto found = textIndex_.constFind(value);
    if (found != textIndex_.constEnd())
        return found.value();
    const std::int32_t index = static_cast<std::int32_t>(texts.size());
    textIndex_.insert(value, index);
    texts.push_back(value);
    return index;
}

std::int32_t PageLooks::styleOf(const Style* style)
{
    const auto found = styleIndex_.find(style);
    if (found != styleIndex_.end())
        return found->second;
    const std::int32_t index = static_cast<std::int32_t>(styles.size());
    styleIndex_.emplace(style, index);
    styles.push_back(styleJson(*style));
    return index;
}

PageLooks::Instance& PageLooks::instanceAt(std::int64_t row)
{
    if (static_cast<size_t>(row) >= instances.size()) {
        instances.resize(static_cast<size_t>(row) + 1, Instance());
        activations_.resize(instances.size(), Activation());
    }
    return instances[static_cast<size_t>(row)];
}

void PageLooks::followControl(TDFInstance* instance, std::int64_t row, TDFObjectType type, std::int64_t event,
                              bool gainsControl)
{
    if (!instance || row == store::none || !instance->hasActivation())
        return;
    instanceAt(row);
    Activation& state = activations_[static_cast<size_t>(row)];
    if (tdf::internal::passControl(type, gainsControl,
                                   tdf::internal::barOpen(state.count, instance->creationMessage != nullptr),
                                   state.level)) {
        ++state.count;
        bounds.push_back({static_cast<std::int32_t>(row), static_cast<std::int32_t>(event)});
    }
}

void PageLooks::event(TDFObject* object, const store::EventRow& row)
{
    palette_.setConfiguration(reader_.tcf);
    std::int32_t shown = none;
    switch (object->type) {
    case TDF_MESSAGE: {
        TDFMessage* message = object->toMessage();
        shown = lookOf(message, TCF::OBJ_MESSAGE_BODY);
        if (row.peer != store::none && (row.flags & store::eventFlag::createdReceiver))
            instanceAt(row.peer).creationMessage = row.id;
        if (reader_.trackActivations)
            followControl(message->receiver, row.peer, TDF_MESSAGE, row.id, true);
        break;
    }
    case TDF_MESSAGE_RETURN: {
        TDFMessageReturn* messageReturn = object->toMessageReturn();
        shown = lookOf(messageReturn, TCF::OBJ_MESSAGE_RETURN);
        if (TDFMessage* message = messageReturn->message; message && reader_.trackActivations) {
            followControl(message->receiver, builder_.instanceRow(message->receiver), TDF_MESSAGE_RETURN, row.id,
                          false);
            followControl(message->sender, builder_.instanceRow(message->sender), TDF_MESSAGE_RETURN, row.id, true);
        }
        break;
    }
    case TDF_MESSAGE_CALL: {
        TDFMessage* message = object->toMessageCall()->message;
        shown = lookOf(message, TCF::OBJ_MESSAGE_BODY);
        if (message)
            calls.push_back({row.id, text(message->link())});
        break;
    }
    case TDF_INSTANCE: {
        TDFInstance* instance = object->toInstance();
        shown = lookOf(instance, TCF::OBJ_INSTANCE_TITLE);
        if (row.instance != store::none) {
            Instance& created = instanceAt(row.instance);
            created.created = row.id;
            activations_[static_cast<size_t>(row.instance)].hadModel = instance->model != nullptr;
        }
        break;
    }
    case TDF_INSTANCE_DELETE:
    case TDF_INSTANCE_DELETE_ALL:
        shown = lookOf(object, TCF::OBJ_INSTANCE_DELETE);
        break;
    case TDF_ACTION:
        shown = lookOf(object, TCF::OBJ_ACTION);
        break;
    case TDF_SYNCHRONISATION:
        shown = lookOf(object, TCF::OBJ_SYNCHRONISATION);
        break;
    case TDF_NOTE: {
        const TDFObject* owner = object->toNote()->owner;
        const bool onMessage = owner && (owner->type == TDF_MESSAGE || owner->type == TDF_MESSAGE_RETURN);
        shown = lookOf(object, onMessage ? TCF::OBJ_MESSAGE_NOTE : TCF::OBJ_INSTANCE_NOTE);
        break;
    }
    case TDF_GLYPH:
        shown = lookOf(object, TCF::OBJ_MESSAGE_NOTE);
        break;
    case TDF_THREAD_INFO:
    case TDF_EXTERNAL_TRIGGER:
    case TDF_TRIGGER_START:
    case TDF_TRIGGER_STOP:
        shown = styleOf(palette_.byKind(TCF::OBJ_TIME));
        break;
    case TDF_LOOP_START:
        shown = lookOf(object, TCF::OBJ_LOOP_START);
        break;
    case TDF_LOOP_END:
        shown = lookOf(object, TCF::OBJ_LOOP_END);
        break;
    default:
        shown = styleOf(palette_.byKind(TCF::OBJ_MESSAGE_BODY));
        break;
    }
    look.push_back(shown);
    label.push_back(text(lastingLabel(object)));
    if (object->type == TDF_INSTANCE)
        instanceChanged(object->toInstance(), row.instance);
}

void PageLooks::instanceChanged(TDFInstance* instance, std::int64_t row)
{
    if (row == store::none)
        return;
    palette_.setConfiguration(reader_.tcf);
    Instance& looks = instanceAt(row);
    looks.titleLook = lookOf(instance, TCF::OBJ_INSTANCE_TITLE);
    looks.link = text(instance->link());
    looks.time = instance->time;
    looks.bars = instance->hasActivation();
    if (looks.created != store::none)
        look[static_cast<size_t>(looks.created)] = looks.titleLook;
    // Its first model tells whether the bar its creating message opened
    // counts.
    Activation& state = activations_[static_cast<size_t>(row)];
    if (!state.hadModel && instance->model) {
        state.hadModel = true;
        if (reader_.trackActivations && looks.creationMessage != store::none)
            followControl(instance, row, TDF_MESSAGE, looks.creationMessage, true);
    }
}

void PageLooks::finish()
{
    const TCF* tcf = reader_.tcf;
    palette_.setConfiguration(tcf);
    world = !tcf || tcf->displayWorldActor;
    configured = tcf != nullptr;
    configuration = tcf ? tcf->publicName() : QString();
    timeFormat = reader_.timeFormat;
    timeUnit = reader_.timeUnit;
    timeUnitText = reader_.timeUnitText;
    worldLook = styleOf(palette_.byKind(TCF::OBJ_WORLD));
    lineLook = styleOf(palette_.byKind(TCF::OBJ_INSTANCE_DESACTIVATED));
    barLook = styleOf(palette_.byKind(TCF::OBJ_INSTANCE_ACTIVATED));
    loopEndLook = styleOf(palette_.byKind(TCF::OBJ_LOOP_END));
}
