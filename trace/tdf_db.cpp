#include "tdf_db.h"

#include "tcf.h"

#include <QLatin1String>

const char* TDFDBstatementTypeString(TDFDBObjectType type)
{
    switch (type) {
    case TDFDB_MESSAGE: return "message";
    case TDFDB_INSTANCE: return "instance";
    case TDFDB_TEXT: return "text";
    }
    return nullptr;
}

namespace {

template <class T>
T* firstWithId(const List<T*>& list, unsigned long long id)
{
    for (T* object : list)
        if (object && object->id == id)
            return object;
    return nullptr;
}

template <class T>
void deleteValues(const List<T*>& list)
{
    for (T* object : list)
        delete object;
}

}

TDFDBObject::TDFDBObject(TDFDBObjectType objectType, unsigned long long objectId, const QString& objectName)
    : type(objectType), id(objectId), name(objectName)
{
}

TDFDBObject::~TDFDBObject() = default;

QString TDFDBObject::sourceLink()
{
    if (!cachedLink.isNull())
        return cachedLink;
    const TDFDBSource* source = definitionBlock ? definitionBlock->source : nullptr;
    if (!source)
        return QString();
    switch (source->type) {
    case TDFDBSource::SOURCE_TXT:
        if (sourceLine >= 1) {
            cachedLink = source->file + QStringLiteral(":%1").arg(sourceLine);
        } else {
            if (sourceLinkText.isNull())
                return QString();
            cachedLink = source->file + sourceLinkText;
        }
        return cachedLink;
    case TDFDBSource::SOURCE_XRD:
        cachedLink = QLatin1String("xrd#") + source->file + QLatin1Char('#') + sourceLinkText;
        return cachedLink;
    }
    return QString();
}

Style* TDFDBInstance::style() const
{
    if (givenStyle)
        return givenStyle;
    return instanceType ? instanceType->style : nullptr;
}

void TDFDBSource::init(const QString& sourceFile, unsigned long long sourceDate, TDFDBSource::Type sourceType)
{
    file = sourceFile;
    date = sourceDate;
    type = sourceType;
}

unsigned TDFDBMessageHash::code(TDFDBMessage* message)
{
    return unsigned(message->id % size);
}

TDFDBMessage* TDFDBMessageHash::search(unsigned long long id) const
{
    return find(unsigned(id % size), [id](TDFDBMessage* message) { return message->id == id; });
}

TDFDBInstance* TDFDBInstanceList::search(unsigned long long id) const
{
    return firstWithId(*this, id);
}

TDFDBText* TDFDBTextList::search(unsigned long long id) const
{
    return firstWithId(*this, id);
}

TDFDefinitionBlock::TDFDefinitionBlock() : TDFTextObject(TDF_DEFINITION_BLOCK), messages(51) {}

TDFDefinitionBlock::~TDFDefinitionBlock()
{
    deleteValues(instances);
    deleteValues(texts);
    messages.forEach([](TDFDBMessage* message) { delete message; });
    delete[] ids;
    delete source;
}

void TDFDefinitionBlock::setTCF(TCF* configuration)
{
    tcf = configuration;
    delete[] ids;
    ids = nullptr;
    if (configuration && configuration->idLength() > 0)
        ids = new unsigned long long[configuration->idLength()]();
}

unsigned long long TDFDefinitionBlock::id(int index) const
{
    return tcf && index >= 0 && index < tcf->idLength() ? ids[index] : 0;
}

void TDFDefinitionBlock::setId(int index, unsigned long long value)
{
    if (tcf && index >= 0 && index < tcf->idLength())
        ids[index] = value;
}

bool TDFDefinitionBlock::cmpId(const unsigned long long* words, int length) const
{
    if (!tcf || length != tcf->idLength())
        return false;
    for (int i = 0; i < length; ++i)
        if (words[i] != ids[i])
            return false;
    return true;
}

void TDFDefinitionBlock::addText(TDFDBText* text)
{
    text->definitionBlock = this;
    texts.append(text);
}

void TDFDefinitionBlock::addInstance(TDFDBInstance* instance)
{
    instance->definitionBlock = this;
    instances.append(instance);
}

void TDFDefinitionBlock::addMessage(TDFDBMessage* message)
{
    message->definitionBlock = this;
    messages.intern(message, nullptr);
}

TDFDBInstance* TDFDefinitionBlock::getInstanceFromId(unsigned long long id) const
{
    return instances.search(id);
}

TDFDBText* TDFDefinitionBlock::getTextFromId(unsigned long long id) const
{
    return texts.search(id);
}

TDFDBMessage* TDFDefinitionBlock::getMessageFromId(unsigned long long id) const
{
    return messages.search(id);
}

TDFDBObject* TDFDefinitionBlock::getObjectFromId(unsigned long long id) const
{
    if (TDFDBObject* instance = getInstanceFromId(id))
        return instance;
    if (TDFDBObject* message = getMessageFromId(id))
        return message;
    return getTextFromId(id);
}

TDFDefinitionBlock* TDFDefinitionBlockList::search(const unsigned long long* words, int length) const
{
    for (TDFDefinitionBlock* block : *this)
        if (block && block->cmpId(words, length))
            return block;
    return nullptr;
}

unsigned TDFDBRefHash::code(TDFDBRef* ref)
{
    return bucketOf(ref->block);
}

TDFDBRef* TDFDBRefHash::searchDefinitionBlock(TDFDefinitionBlock* block) const
{
    return find(bucketOf(block), [block](TDFDBRef* ref) { return ref->block == block; });
}

unsigned TDFDBRefHash::bucketOf(const TDFDefinitionBlock* block) const
{
    // Blocks are at least 4-byte aligned: the low bits carry nothing.
    return unsigned((reinterpret_cast<quintptr>(block) >> 2) % size);
}
