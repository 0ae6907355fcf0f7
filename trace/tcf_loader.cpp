#include "tcf_loader.h"

#include "naming.h"
#include "internal/resource_report.h"
#include "style.h"
#include "tcf.h"
#include "internal/utf8_text.h"

#include <qares.h>

#include <QCoreApplication>

#include <cstring>
#include <memory>

using namespace tdf::internal;

namespace {

// Indexes of _expected_type_name. The "defined" kinds stand for a key that
// is missing.
enum ExpectedKind {
    KIND_STRING = 0,
    KIND_DEFINED_STRING = 1,
    KIND_GROUP = 2,
    KIND_INTEGER = 3,
    KIND_DEFINED_INTEGER = 4,
    KIND_LIST = 5,
    KIND_RGB = 6,
    KIND_IDENTIFIER_LIST = 7,
    KIND_IDENTIFIER_OR_LIST = 8,
    KIND_IDENTIFIER = 9,
    KIND_DEFINED_IDENTIFIER = 10,
    KIND_BOOLEAN = 11
};

const char* const _expected_type_name[] = {
    QT_TRANSLATE_NOOP("Resource Type", "a string"),
    QT_TRANSLATE_NOOP("Resource Type", "a defined string"),
    QT_TRANSLATE_NOOP("Resource Type", "a group"),
    QT_TRANSLATE_NOOP("Resource Type", "an integer"),
    QT_TRANSLATE_NOOP("Resource Type", "a defined integer"),
    QT_TRANSLATE_NOOP("Resource Type", "a list"),
    QT_TRANSLATE_NOOP("Resource Type", "a rgb value"),
    QT_TRANSLATE_NOOP("Resource Type", "an identifier list"),
    QT_TRANSLATE_NOOP("Resource Type", "an identifier or an identifier list"),
    QT_TRANSLATE_NOOP("Resource Type", "an identifier"),
    QT_TRANSLATE_NOOP("Resource Type", "a defined identifier"),
    QT_TRANSLATE_NOOP("Resource Type", "a boolean"),
};

void _errorTagMustBe(const char* path, ExpectedKind kind, const QARes* node)
{
    QString kindText = QCoreApplication::translate("Resource Type", _expected_type_name[kind]);
    reportErrorAt(QCoreApplication::translate("Load TCF", "%1 must be %2", "%1 is a tag name, %2 a Resource Type")
                      .arg(QString::fromLatin1(path), kindText),
                  node);
}

void _errorAlreadyDefined(const char* path, const QString& value, const QARes* node)
{
    reportErrorAt(QCoreApplication::translate("Load TCF", "%1 \"%2\" already defined.", "%1 is a tag name, %2 the value")
                      .arg(QString::fromLatin1(path), value),
                  node);
}

void reportLoadError(const char* text, const QARes* node)
{
    reportErrorAt(QCoreApplication::translate("Load TCF", text), node);
}

// The first member tagged `tag` in the chain `members` (may be null).
QARes* member(QARes* members, const char* tag)
{
    return members ? members->search(tag) : nullptr;
}

// The members of a group node.
QARes* membersOf(QAResGroup* group)
{
    return group->firstChild();
}

template <class Kind>
Kind* as(QARes* node);
template <>
QAResGroup* as(QARes* node) { return node->toResGroup(); }
template <>
QAResList* as(QARes* node) { return node->toResList(); }
template <>
QAResInt* as(QARes* node) { return node->toResInt(); }
template <>
QAResString* as(QARes* node) { return node->toResString(); }
template <>
QAResIdentifier* as(QARes* node) { return node->toResIdentifier(); }
template <>
QAResBoolean* as(QARes* node) { return node->toResBoolean(); }
template <>
QAResRGB* as(QARes* node) { return node->toResRGB(); }

// Looks up an optional key. A missing key leaves `*found` null; a key of
// the wrong kind is reported (at `wrongKindAt`, or the key's own node) and
// gives false.
template <class Kind>
bool optionalKey(QARes* members, const char* tag, const char* path, ExpectedKind kind, Kind** found,
                 const QARes* wrongKindAt = nullptr)
{
    QARes* node = member(members, tag);
    *found = node ? as<Kind>(node) : nullptr;
    if (node && !*found) {
        _errorTagMustBe(path, kind, wrongKindAt ? wrongKindAt : node);
        return false;
    }
    return true;
}

// Looks up a required key: missing, it is reported at `group` as
// `missingKind`.
template <class Kind>
bool requiredKey(QAResGroup* group, const char* tag, const char* path, ExpectedKind missingKind,
                 ExpectedKind wrongKind, Kind** found)
{
    if (!optionalKey(membersOf(group), tag, path, wrongKind, found))
        return false;
    if (!*found)
        _errorTagMustBe(path, missingKind, group);
    return *found != nullptr;
}

// The group of a repeated entry, or null after reporting a node of another
// kind.
QAResGroup* entryGroup(QARes* node, const char* path)
{
    QAResGroup* group = node->toResGroup();
    if (!group)
        _errorTagMustBe(path, KIND_GROUP, node);
    return group;
}

// Calls `read` for each member tagged `tag`, in order.
template <class Read>
void forEachEntry(QARes* members, const char* tag, Read read)
{
    for (QARes* node = member(members, tag); node; node = member(node->next(), tag))
        read(node);
}

// A missing node gives FLAT, not given; "FLAT" and "NESTED" are given;
// anything else fails.
bool _fromResources_control_flow(QARes* node, bool* nested, bool* given)
{
    *nested = false;
    *given = false;
    if (!node)
        return true;
    QAResIdentifier* identifier = node->toResIdentifier();
    const char* text = identifier ? identifier->value() : nullptr;
    if (!text)
        return false;
    if (std::strcmp(text, "FLAT") == 0) {
        *given = true;
        return true;
    }
    if (std::strcmp(text, "NESTED") == 0) {
        *nested = true;
        *given = true;
        return true;
    }
    return false;
}

QString identifierName(QAResIdentifier* identifier)
{
    return decodeUtf8Text(identifier->value());
}

bool readStyleText(Style& style, QARes* members)
{
    QAResGroup* text;
    if (!optionalKey(members, "text", "tcf.style.text", KIND_GROUP, &text))
        return false;
    if (!text)
        return true;
    QARes* settings = membersOf(text);

    QAResRGB* color;
    if (!optionalKey(settings, "color", "tcf.style.text.color", KIND_RGB, &color))
        return false;
    if (color)
        style.setTextColor(color->value());
    QAResString* font;
    if (!optionalKey(settings, "font", "tcf.style.text.font", KIND_STRING, &font))
        return false;
    if (font)
        style.setFontName(font->value());
    QAResInt* size;
    if (!optionalKey(settings, "size", "tcf.style.text.size", KIND_INTEGER, &size))
        return false;
    if (size)
        style.setFontSize(size->value());

    QARes* fontStyle = member(settings, "style");
    if (!fontStyle)
        return true;
    if (QAResIdentifier* single = fontStyle->toResIdentifier()) {
        style.setFontStyle(Style::toFont(single->value(), nullptr));
        return true;
    }
    QAResList* list = fontStyle->toResList();
    if (!list) {
        _errorTagMustBe("tcf.style.text.style", KIND_IDENTIFIER_OR_LIST, fontStyle);
        return false;
    }
    if (!list->isListOf(QARes::TYPE_IDENTIFIER)) {
        _errorTagMustBe("tcf.style.text.style", KIND_IDENTIFIER_LIST, fontStyle);
        return false;
    }
    for (QARes* item = list->firstChild(); item; item = item->next())
        style.composeFontStyle(Style::toFont(item->toResIdentifier()->value(), nullptr));
    return true;
}

bool readStyleBackground(Style& style, QARes* members)
{
    QAResGroup* background;
    if (!optionalKey(members, "background", "tcf.style.background", KIND_GROUP, &background))
        return false;
    if (!background)
        return true;
    QAResRGB* color;
    if (!optionalKey(membersOf(background), "color", "tcf.style.background.color", KIND_RGB, &color))
        return false;
    if (color)
        style.setBackColor(color->value());
    return true;
}

bool readStyleLine(Style& style, QARes* members)
{
    QAResGroup* line;
    if (!optionalKey(members, "line", "tcf.style.line", KIND_GROUP, &line))
        return false;
    if (!line)
        return true;
    QARes* settings = membersOf(line);
    QAResRGB* color;
    if (!optionalKey(settings, "color", "tcf.style.line.color", KIND_RGB, &color))
        return false;
    if (color)
        style.setLineColor(color->value());
    QAResIdentifier* pattern;
    if (!optionalKey(settings, "style", "tcf.style.line.style", KIND_IDENTIFIER, &pattern))
        return false;
    if (pattern)
        style.setLineStyle(Style::toLine(pattern->value(), nullptr));
    QAResIdentifier* arrow;
    if (!optionalKey(settings, "arrow", "tcf.style.line.arrow", KIND_IDENTIFIER, &arrow))
        return false;
    if (arrow)
        style.setArrowStyle(Style::toArrow(arrow->value(), nullptr));
    return true;
}

// One style entry; null when it is given up.
Style* _TCFFromResources_Style(const TCF& tcf, QARes* node, StyleFactory styleFactory)
{
    QAResGroup* group = entryGroup(node, "tcf.style");
    QAResString* name;
    QAResInt* id;
    if (!group || !requiredKey(group, "name", "tcf.style.name", KIND_DEFINED_STRING, KIND_STRING, &name) ||
        !requiredKey(group, "id", "tcf.style.id", KIND_DEFINED_INTEGER, KIND_INTEGER, &id))
        return nullptr;
    if (tcf.style(id->value())) {
        _errorAlreadyDefined("tcf.style.id", QString::number(id->value()), id);
        return nullptr;
    }
    std::unique_ptr<Style> style(styleFactory ? styleFactory(name->value(), id->value())
                                              : new Style(name->value(), id->value()));
    QARes* members = membersOf(group);
    if (!style || !readStyleText(*style, members) || !readStyleBackground(*style, members) ||
        !readStyleLine(*style, members))
        return nullptr;
    return style.release();
}

struct DefaultStyleKey {
    const char* tag;
    TCF::Object object;
    const char* path;
};

const DefaultStyleKey instanceDefaults[] = {
    {"title", TCF::OBJ_INSTANCE_TITLE, "tcf.default_style.instance.title"},
    {"activated", TCF::OBJ_INSTANCE_ACTIVATED, "tcf.default_style.instance.activated"},
    {"desactivated", TCF::OBJ_INSTANCE_DESACTIVATED, "tcf.default_style.instance.desactivated"},
    {"delete", TCF::OBJ_INSTANCE_DELETE, "tcf.default_style.instance.delete"},
    {"note", TCF::OBJ_INSTANCE_NOTE, "tcf.default_style.instance.note"},
};
const DefaultStyleKey messageDefaults[] = {
    {"body", TCF::OBJ_MESSAGE_BODY, "tcf.default_style.message.body"},
    {"return", TCF::OBJ_MESSAGE_RETURN, "tcf.default_style.message.return"},
    {"note", TCF::OBJ_MESSAGE_NOTE, "tcf.default_style.message.note"},
};
const DefaultStyleKey plainDefaults[] = {
    {"synchronisation", TCF::OBJ_SYNCHRONISATION, "tcf.default_style.synchronisation"},
    {"action", TCF::OBJ_ACTION, "tcf.default_style.action"},
    {"world", TCF::OBJ_WORLD, "tcf.default_style.world"},
    {"time", TCF::OBJ_TIME, "tcf.default_style.time"},
};
const DefaultStyleKey loopDefaults[] = {
    {"start", TCF::OBJ_LOOP_START, "tcf.default_style.loop.start"},
    {"end", TCF::OBJ_LOOP_END, "tcf.default_style.loop.end"},
};

template <size_t N>
void readDefaultStyles(TCF& tcf, QARes* members, const DefaultStyleKey (&keys)[N])
{
    for (const DefaultStyleKey& key : keys) {
        QAResInt* id;
        if (!optionalKey(members, key.tag, key.path, KIND_INTEGER, &id) || !id)
            continue;
        if (Style* style = tcf.style(id->value()))
            tcf.setDefaultStyle(key.object, style);
        else
            reportErrorAt(QCoreApplication::translate("Load TCF", "undefined style %1 for %2",
                                                      "%1 is a style number, %2 a string")
                              .arg(QString::number(id->value()), QString::fromLatin1(key.path)),
                          id);
    }
}

// The keys of one group of default styles, such as "instance"; a group of
// the wrong kind gives them all up.
template <size_t N>
void readDefaultStyleGroup(TCF& tcf, QARes* members, const char* tag, const char* path,
                           const DefaultStyleKey (&keys)[N])
{
    QAResGroup* group;
    if (optionalKey(members, tag, path, KIND_GROUP, &group) && group)
        readDefaultStyles(tcf, membersOf(group), keys);
}

void _setDefaultStyle(TCF& tcf, QARes* members)
{
    QAResGroup* defaults;
    if (!optionalKey(members, "default_style", "tcf.default_style", KIND_GROUP, &defaults) || !defaults)
        return;
    QARes* keys = membersOf(defaults);
    readDefaultStyleGroup(tcf, keys, "instance", "tcf.default_style.instance", instanceDefaults);
    readDefaultStyleGroup(tcf, keys, "message", "tcf.default_style.message", messageDefaults);
    readDefaultStyles(tcf, keys, plainDefaults);
    readDefaultStyleGroup(tcf, keys, "loop", "tcf.default_style.loop", loopDefaults);
}

// One instance type entry; null when it is given up.
InstanceType* _TCFFromResources_InstanceType(TCF& tcf, QARes* node)
{
    QAResGroup* group = entryGroup(node, "tcf.instance_type");
    QAResIdentifier* id;
    if (!group ||
        !requiredKey(group, "id", "tcf.instance_type.id", KIND_DEFINED_IDENTIFIER, KIND_IDENTIFIER, &id))
        return nullptr;
    QString name = identifierName(id);
    if (tcf.instanceType(name)) {
        _errorAlreadyDefined("tcf.instance_type", name, id);
        return nullptr;
    }
    std::unique_ptr<InstanceType> type(new InstanceType(&tcf, name, QString(), nullptr));
    QARes* members = membersOf(group);

    QAResString* icon;
    if (!optionalKey(members, "icon_tag", "tcf.instance_type.icon_tag", KIND_STRING, &icon))
        return nullptr;
    if (icon)
        type->setIconTag(icon->value());

    QARes* flow = member(members, "control_flow");
    if (!_fromResources_control_flow(flow, &type->ownNestedControlFlow, &type->controlFlowSet)) {
        _errorTagMustBe("tcf.instance_type.control_flow", KIND_DEFINED_IDENTIFIER, flow);
        return nullptr;
    }

    QAResInt* styleId;
    if (!optionalKey(members, "style", "tcf.instance_type.style", KIND_INTEGER, &styleId, group))
        return nullptr;
    if (styleId) {
        Style* style = tcf.style(styleId->value());
        if (!style) {
            reportErrorAt(QCoreApplication::translate("Load TCF", "undefined style %1 for tcf.instance_type.style.\n",
                                                      "%1 is a number")
                              .arg(styleId->value()),
                          styleId);
            return nullptr;
        }
        type->setStyle(style);
    }

    QAResList* naming;
    if (!optionalKey(members, "naming", "tcf.instance_type.naming", KIND_LIST, &naming, group))
        return nullptr;
    if (naming)
        type->naming = _TCFFromResources_Naming(naming, "tcf.instance_type.naming");
    return type.release();
}

// The id of a thread state or glyph entry, unless it is missing, of the
// wrong kind or already used (`present`).
template <class Present>
QAResInt* entryId(QAResGroup* group, const char* idPath, const char* entryPath, Present present)
{
    QAResInt* id;
    if (!requiredKey(group, "id", idPath, KIND_INTEGER, KIND_INTEGER, &id))
        return nullptr;
    if (present(id->value())) {
        _errorAlreadyDefined(entryPath, QString::number(id->value()), id);
        return nullptr;
    }
    return id;
}

// The required name of a thread state or glyph, reported with
// `missingMessage` at the entry's group when it is missing.
QAResString* entryName(QAResGroup* group, const char* path, const char* missingMessage)
{
    QAResString* name;
    if (!optionalKey(membersOf(group), "name", path, KIND_STRING, &name))
        return nullptr;
    if (!name)
        reportLoadError(missingMessage, group);
    return name;
}

ThreadState* _TCFFromResources_ThreadState(TCF& tcf, QARes* node)
{
    QAResGroup* group = entryGroup(node, "tcf.thread_state");
    QAResInt* id = group ? entryId(group, "tcf.thread_state.id", "tcf.thread_state",
                                   [&tcf](int value) { return tcf.threadState(value); })
                         : nullptr;
    if (!id)
        return nullptr;
    std::unique_ptr<ThreadState> state(new ThreadState(&tcf, id->value()));
    QAResString* name = entryName(group, "tcf.thread_state.name",
                                  QT_TRANSLATE_NOOP("Load TCF", "tcf.thread_state.name must defined."));
    if (!name)
        return nullptr;
    state->setName(name->value());
    QAResBoolean* active;
    if (!optionalKey(membersOf(group), "is_active_state", "tcf.thread_state.is_active_state", KIND_BOOLEAN,
                     &active))
        return nullptr;
    if (active)
        state->isActiveState = active->value();
    return state.release();
}

int glyphType(QAResIdentifier* identifier)
{
    static const struct {
        const char* text;
        Glyph::Type type;
    } types[] = {{"UNEXPECTED_CALL", Glyph::UNEXPECTED_CALL},
                 {"VERIFICATION_POINT_FAILED", Glyph::VERIFICATION_POINT_FAILED},
                 {"UNEXPECTED_DATA", Glyph::UNEXPECTED_DATA}};
    for (const auto& type : types)
        if (identifier->value() && std::strcmp(identifier->value(), type.text) == 0)
            return type.type;
    return Glyph::GLYPH_NONE;
}

Glyph* _TCFFromResources_Glyph(TCF& tcf, QARes* node)
{
    QAResGroup* group = entryGroup(node, "tcf.glyph");
    QAResInt* id =
        group ? entryId(group, "tcf.glyph.id", "tcf.glyph", [&tcf](int value) { return tcf.glyph(value); })
              : nullptr;
    if (!id)
        return nullptr;
    std::unique_ptr<Glyph> glyph(new Glyph(&tcf, id->value()));
    QAResString* name = entryName(group, "tcf.glyph.name", QT_TRANSLATE_NOOP("Load TCF", "tcf.glyph.name must defined."));
    if (!name)
        return nullptr;
    glyph->setName(name->value());
    QARes* members = membersOf(group);
    QAResString* icon;
    if (!optionalKey(members, "icon_tag", "tcf.glyph.icon_tag", KIND_STRING, &icon))
        return nullptr;
    if (icon)
        glyph->setIconTag(icon->value());
    QAResIdentifier* type;
    if (!optionalKey(members, "type", "tcf.glyph.type", KIND_IDENTIFIER, &type))
        return nullptr;
    if (type)
        glyph->type = glyphType(type);
    return glyph.release();
}

// The top-level keys of a configuration; false when one is faulty, which
// gives the configuration up.
bool readSettings(TCF& tcf, QARes* members)
{
    QAResInt* idLength;
    if (!optionalKey(members, "id_length", "tcf.id_length", KIND_INTEGER, &idLength))
        return false;
    if (idLength) {
        // Every DB line allocates an identification of this length, and a
        // longer one than a trace can select is of no use.
        if (idLength->value() > TCF::maxIdLength) {
            reportErrorAt(QCoreApplication::translate("Load TCF", "tcf.id_length must be at most %1", "%1 is a number")
                              .arg(TCF::maxIdLength),
                          idLength);
            return false;
        }
        tcf.setIdLength(idLength->value());
    }

    QARes* flow = member(members, "control_flow");
    bool nested;
    bool given;
    if (!_fromResources_control_flow(flow, &nested, &given)) {
        reportLoadError(QT_TRANSLATE_NOOP("Load TCF", "tcf.control_flow must be FLAT or NESTED identifier."), flow);
        return false;
    }
    tcf.setNestedControlFlow(nested);

    QAResString* comment;
    if (!optionalKey(members, "comment", "tcf.comment", KIND_STRING, &comment))
        return false;
    if (comment)
        tcf.setComment(comment->value());
    QAResString* publicName;
    if (!optionalKey(members, "public_name", "tcf.public_name", KIND_STRING, &publicName))
        return false;
    if (publicName)
        tcf.setPublicName(publicName->value());
    QAResBoolean* worldActor;
    if (!optionalKey(members, "display_world_actor", "tcf.display_world_actor", KIND_BOOLEAN, &worldActor))
        return false;
    if (worldActor)
        tcf.displayWorldActor = worldActor->value();
    QAResList* loopNaming;
    if (!optionalKey(members, "loop_naming", "tcf.loop_naming", KIND_LIST, &loopNaming))
        return false;
    if (loopNaming)
        tcf.loopNaming = _TCFFromResources_Naming(loopNaming, "tcf.loop_naming");
    return true;
}

// Adds an entry that was read, or drops it when the configuration refuses
// it.
template <class Entry, class Add>
void addEntry(Entry* entry, Add add)
{
    if (entry && !add(entry))
        delete entry;
}

// One configuration; null when it is given up.
TCF* readConfiguration(QARes* node, StyleFactory styleFactory)
{
    QAResGroup* group = node->toResGroup();
    if (!group) {
        _errorTagMustBe("tcf", KIND_GROUP, node);
        return nullptr;
    }
    QAResString* name;
    if (!requiredKey(group, "name", "tcf.name", KIND_DEFINED_STRING, KIND_STRING, &name))
        return nullptr;
    std::unique_ptr<TCF> tcf(new TCF(name->value(), 1));
    QARes* members = membersOf(group);
    if (!readSettings(*tcf, members))
        return nullptr;

    forEachEntry(members, "style", [&](QARes* entry) {
        addEntry(_TCFFromResources_Style(*tcf, entry, styleFactory), [&](Style* s) { return tcf->addStyle(s); });
    });
    _setDefaultStyle(*tcf, members);
    forEachEntry(members, "instance_type", [&](QARes* entry) {
        addEntry(_TCFFromResources_InstanceType(*tcf, entry), [&](InstanceType* t) { return tcf->addInstanceType(t); });
    });
    forEachEntry(members, "thread_state", [&](QARes* entry) {
        addEntry(_TCFFromResources_ThreadState(*tcf, entry), [&](ThreadState* s) { return tcf->addThreadState(s); });
    });
    forEachEntry(members, "glyph", [&](QARes* entry) {
        addEntry(_TCFFromResources_Glyph(*tcf, entry), [&](Glyph* g) { return tcf->addGlyph(g); });
    });
    return tcf.release();
}

}

TCFList* readTCFFromResources(QARes* root, StyleFactory styleFactory)
{
    if (!root)
        return nullptr;
    TCFList* list = new TCFList;
    forEachEntry(root, "tcf", [&](QARes* node) {
        if (TCF* tcf = readConfiguration(node, styleFactory))
            list->append(tcf);
    });
    return list;
}
