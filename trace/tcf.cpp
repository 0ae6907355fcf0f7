#include "tcf.h"

#include "internal/activation.h"
#include "naming.h"
#include "style.h"

#include <QHash>

namespace {

template <class T, class Matches>
T* findFirst(const List<T*>& list, Matches matches)
{
    for (T* item : list)
        if (item && matches(item))
            return item;
    return nullptr;
}

// The entry of an exact key: the indexed one.
template <class T, class KeyOf>
T* entryWithKey(const KeyedList<T, KeyOf>& list, unsigned long long key)
{
    const ListNode<T*>* node = list.firstWithKey(key);
    return node ? node->value : nullptr;
}

// Appends `item` unless it is null or `present` (an item with its key).
template <class T, class KeyOf>
bool appendUnique(KeyedList<T, KeyOf>& list, T* item, const T* present)
{
    if (!item || present)
        return false;
    list.append(item);
    return true;
}

template <class Owned>
void deleteAll(Owned& list)
{
    while (list.head)
        delete list.pop();
}

unsigned long long hashOfName(const QString& name)
{
    return qHash(name, 0x5bd1e995U);
}

bool isObject(TCF::Object object)
{
    return object >= 0 && object < TCF::objectCount;
}

}

InstanceType::InstanceType(TCF* owner, const QString& typeName, const QString& icon, Style* typeStyle)
    : tcf(owner), name(typeName), iconTag(icon), style(typeStyle)
{
}

InstanceType::~InstanceType()
{
    delete naming;
}

bool InstanceType::nestedControlFlow() const
{
    return tdf::internal::nestedControlFlowOf(*this);
}

ThreadState::ThreadState(TCF* owner, int stateId) : tcf(owner), id(stateId) {}

Glyph::Glyph(TCF* owner, int glyphId) : tcf(owner), id(glyphId) {}

TCF::TCF(const QString& name, int idLength) : name_(name), idLength_(idLength) {}

TCF::~TCF()
{
    deleteAll(styles_);
    deleteAll(instanceTypes_);
    deleteAll(threadStates_);
    deleteAll(glyphs_);
    delete loopNaming;
}

Style* TCF::defaultStyle() const
{
    return styles_.head ? styles_.head->value : nullptr;
}

Style* TCF::defaultStyle(TCF::Object object) const
{
    return isObject(object) ? defaultStyles_[object] : nullptr;
}

void TCF::setDefaultStyle(TCF::Object object, Style* style)
{
    if (isObject(object))
        defaultStyles_[object] = style ? style : defaultStyle();
}

bool TCF::StyleKey::key(const Style* style, unsigned long long* key)
{
    *key = static_cast<unsigned long long>(style->id());
    return true;
}

bool TCF::InstanceTypeKey::key(const InstanceType* type, unsigned long long* key)
{
    *key = hashOfName(type->name);
    return true;
}

Style* TCF::style(int id) const
{
    return entryWithKey(styles_, static_cast<unsigned long long>(id));
}

bool TCF::addStyle(Style* style)
{
    if (!appendUnique(styles_, style, style ? this->style(style->id()) : nullptr))
        return false;
    if (!defaultStyles_[OBJ_WORLD])
        for (Style*& slot : defaultStyles_)
            slot = style;
    return true;
}

InstanceType* TCF::instanceType(const QString& name) const
{
    InstanceType* first = entryWithKey(instanceTypes_, hashOfName(name));
    if (!first || first->name == name)
        return first;
    // Another name with the same hash: the types are walked.
    return findFirst(instanceTypes_, [&name](InstanceType* type) { return type->name == name; });
}

bool TCF::addInstanceType(InstanceType* type)
{
    return appendUnique(instanceTypes_, type, type ? instanceType(type->name) : nullptr);
}

ThreadState* TCF::threadState(int id) const
{
    return entryWithKey(threadStates_, static_cast<unsigned long long>(id));
}

bool TCF::addThreadState(ThreadState* state)
{
    return appendUnique(threadStates_, state, state ? threadState(state->id) : nullptr);
}

Glyph* TCF::glyph(int id) const
{
    return entryWithKey(glyphs_, static_cast<unsigned long long>(id));
}

bool TCF::addGlyph(Glyph* glyph)
{
    return appendUnique(glyphs_, glyph, glyph ? this->glyph(glyph->id) : nullptr);
}

TCF* TCFList::search(const QString& name) const
{
    return findFirst(*this, [&name](TCF* tcf) { return tcf->name() == name; });
}

void TCFList::deleteConfigurations()
{
    deleteAll(*this);
}
