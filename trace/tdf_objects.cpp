#include "tdf_objects.h"

#include "internal/activation.h"
#include "naming.h"
#include "internal/object_pool.h"
#include "style.h"
#include "tcf.h"
#include "tdf.h"
#include "tdf_db.h"

#include <QCoreApplication>

#include <cstdint>
#include <mutex>
#include <unordered_map>

using namespace tdf::internal;

const char* strTDFObjectType(TDFObjectType type)
{
    static const char* const names[] = {"generic", "message",       "message_call", "return", "instance",
                                        "instance_delete", nullptr, "note",         "glyph",  "synchronisation",
                                        "action",  "loop_start",    "loop_end",     nullptr,  "thread",
                                        nullptr,   "trigger_start", "trigger_stop"};
    return type >= 0 && type < int(sizeof names / sizeof names[0]) ? names[type] : nullptr;
}

namespace {

// The link of an object with a static model: its own link text when it has
// one, else the model's source link.
QString linkOf(const QString& linkText, TDFDBObject* model)
{
    if (!linkText.isNull())
        return linkText;
    return model ? model->sourceLink() : QString();
}

// The static ids of messages that matched no model, by message. Never
// destroyed: messages may outlive every other static object.
struct UnmatchedStaticIds {
    std::mutex lock;
    std::unordered_map<const TDFMessage*, unsigned long long> ids;
};

UnmatchedStaticIds& unmatchedStaticIds()
{
    static UnmatchedStaticIds* const table = new UnmatchedStaticIds;
    return *table;
}

// Activation records start with room for 20 boundaries and grow by 100.
constexpr int firstBoundaries = 20;
constexpr int boundaryGrowth = 100;

// The style the trace gave an object, else its static model's.
Style* styleOf(Style* givenStyle, const TDFDBObject* model)
{
    if (givenStyle)
        return givenStyle;
    return model ? model->style() : nullptr;
}

// Notes and glyphs: the static text, a space and the own name.
QString combinedName(const TDFDBObject* model, const QString& ownName)
{
    if (!model)
        return ownName;
    if (ownName.isNull())
        return model->name;
    return model->name + QLatin1Char(' ') + ownName;
}

}

void* TDFObject::operator new(std::size_t bytes)
{
    return allocateObject(bytes);
}

void* TDFObject::operator new(std::size_t bytes, std::align_val_t alignment)
{
    return ::operator new(bytes, alignment);
}

void TDFObject::operator delete(void* object, std::size_t bytes)
{
    freeObject(object, bytes);
}

// The unsized form: clang offers sized deallocation only on request.
void TDFObject::operator delete(void* object, std::size_t, std::align_val_t alignment)
{
    ::operator delete(object, alignment);
}

TDFObject::~TDFObject()
{
    delete ownStyle;
}

void TDFObject::write(TDFWriter&) {}

void TDFObject::setNote(TDFNote* newNote)
{
    note = newNote;
    if (newNote)
        newNote->owner = this;
}

void TDFObject::setGlyph(TDFGlyph* newGlyph)
{
    glyph = newGlyph;
    if (newGlyph)
        newGlyph->owner = this;
}

QString TDFTextObject::name() const
{
    return model ? model->name : nameText;
}

QString TDFTextObject::link() const
{
    return linkOf(linkText, model);
}

Style* TDFTextObject::style()
{
    return styleOf(givenStyle, model);
}

QString TDFNote::name()
{
    return combinedName(model, nameText);
}

QString TDFGlyph::name()
{
    return combinedName(model, nameText);
}

TDFInstance* TDFInstanceList::search(unsigned long long id) const
{
    for (TDFInstance* instance : *this)
        if (instance && instance->id == id)
            return instance;
    return nullptr;
}

TDFSynchronisation::~TDFSynchronisation()
{
    delete instances;
}

TDFInstanceDeleteAll::~TDFInstanceDeleteAll()
{
    delete instances;
}

TDFInstance::~TDFInstance()
{
    if (activationsBlockCapacity_ == 0) {
        delete activations;
    } else if (activations) {
        activations->~Array();
        freeObject(activations, Array<TDFObject*>::blockSize(activationsBlockCapacity_));
    }
}

QString TDFInstance::link() const
{
    return linkOf(linkText, model);
}

Style* TDFInstance::style()
{
    return styleOf(givenStyle, model);
}

void TDFInstance::setName(const QString& newName)
{
    TDFObject::setName(newName);
    named = !newName.isNull();
}

TDFInstanceDelete* TDFInstance::instanceDelete() const
{
    return deletion ? deletion->toInstanceDelete() : nullptr;
}

TDFInstanceDeleteAll* TDFInstance::instanceDeleteAll() const
{
    return deletion ? deletion->toInstanceDeleteAll() : nullptr;
}

void TDFInstance::setModel(TDFDBInstance* staticInstance)
{
    model = staticInstance;
    occurrence = staticInstance ? staticInstance->occurrenceCounter++ : 0;
    if (named)
        return;
    nameText = staticInstance ? generatedName(staticInstance, occurrence) : QString();
}

QString TDFInstance::generatedName(const TDFDBInstance* staticInstance, unsigned long long occurrence)
{
    if (!staticInstance)
        return QCoreApplication::translate("Naming", "obj%1:?",
                                           "%1 is an occurence number, result is for modeless instance and "
                                           "it's displayed in trace viewer")
            .arg(occurrence);
    Naming* naming = staticInstance->instanceType ? staticInstance->instanceType->naming : nullptr;
    return Naming::processInstance(naming, int(occurrence), staticInstance->name);
}

void TDFInstance::setModeless(TDF* reader)
{
    occurrence = reader->modelessCount++;
    model = nullptr;
    if (!named)
        nameText = generatedName(nullptr, occurrence);
}

bool TDFInstance::hasActivation() const
{
    return showsActivation(*this);
}

void TDFInstance::computeActivation(TDFObject* event, bool gainsControl)
{
    if (!showsActivation(*this))
        return;
    // Records of random instances of a large trace are reached one after
    // another: in the object pools they share huge pages, where each would
    // otherwise cost a TLB miss of its own.
    if (!activations)
        makeActivationsInPool(firstBoundaries, boundaryGrowth);
    if (passControl(event->type, gainsControl, barOpen(activations->count, creationMessage != nullptr),
                    activationLevel))
        (*activations)[activations->count] = event;
}

void TDFInstance::makeActivationsInPool(int capacity, int growth)
{
    const std::size_t bytes = Array<TDFObject*>::blockSize(capacity);
    activations = Array<TDFObject*>::inBlock(allocateObject(bytes), capacity, growth);
    activationsBlockCapacity_ = static_cast<unsigned char>(capacity);
}

QString TDFThreadInfo::name() const
{
    return thread ? thread->name : QString();
}

void TDFThreadInfo::setName(const QString& newName)
{
    if (thread)
        thread->setName(newName);
}

void TDFThreadInfo::setNum(unsigned long long num)
{
    if (num != 0 && thread)
        thread->num = num;
}

void TDFThreadInfo::setColorIndex(int index)
{
    if (index != 0 && thread)
        thread->colorIndex = index;
}

TDFMessage::~TDFMessage()
{
    if (hasKeptStaticId_) {
        UnmatchedStaticIds& table = unmatchedStaticIds();
        const std::lock_guard<std::mutex> guard(table.lock);
        table.ids.erase(this);
    }
}

unsigned long long TDFMessage::staticId() const
{
    if (model)
        return model->id;
    if (!hasKeptStaticId_)
        return 0;
    UnmatchedStaticIds& table = unmatchedStaticIds();
    const std::lock_guard<std::mutex> guard(table.lock);
    const auto kept = table.ids.find(this);
    return kept == table.ids.end() ? 0 : kept->second;
}

void TDFMessage::keepUnmatchedStaticId(unsigned long long id)
{
    UnmatchedStaticIds& table = unmatchedStaticIds();
    const std::lock_guard<std::mutex> guard(table.lock);
    table.ids[this] = id;
    hasKeptStaticId_ = true;
}

QString TDFMessage::link() const
{
    return linkOf(linkText, model);
}

Style* TDFMessage::style()
{
    return styleOf(givenStyle, model);
}
