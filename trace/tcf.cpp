#include "tcf.h"

#include "naming.h"
#include "style.h"

namespace {

template <class T, class Matches>
T* findFirst(const List<T*>& list, Matches matches)
{
    for (T* item : list)
        if (item && matches(item))
            return item;
    return nullptr;
}

// Appends `item` unless it is null or `present` (an item with its key).
template <class T>
bool appendUnique(List<T*>& list, T* item, const T* present)
{
    if (!item || present)
        return false;
    list.append(item);
    return true;
}

template <class T>
void deleteAll(List<T*>& list)
{
    while (list.head)
        delete list.pop();
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
    return controlFlowSet ? ownNestedControlFlow : tcf->nestedControlFlow();
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

Style* TCF::style(int id) const
{
    return findFirst(styles_, [id](Style* style) { return style->id() == id; });
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
    return findFirst(instanceTypes_, [&name](InstanceType* type) { return type->name == name; });
}

bool TCF::addInstanceType(InstanceType* type)
{
    return appendUnique(instanceTypes_, type, type ? instanceType(type->name) : nullptr);
}

ThreadState* TCF::threadState(int id) const
{
    return findFirst(threadStates_, [id](ThreadState* state) { return state->id == id; });
}

bool TCF::addThreadState(ThreadState* state)
{
    return appendUnique(threadStates_, state, state ? threadState(state->id) : nullptr);
}

Glyph* TCF::glyph(int id) const
{
    return findFirst(glyphs_, [id](Glyph* glyph) { return glyph->id == id; });
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
