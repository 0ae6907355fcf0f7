#include "tdf_db.h"

#include "internal/hash_index.h"
#include "tcf.h"

#include <QLatin1String>

#include <algorithm>
#include <vector>

using namespace tdf::internal;

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

// A hash of a block identification: its length and its words.
unsigned long long hashOfId(const unsigned long long* words, int length)
{
    unsigned long long hash = 0x9E3779B97F4A7C15ULL * unsigned(length + 1);
    for (int i = 0; i < length; ++i) {
        hash ^= words[i];
        hash *= 0xBF58476D1CE4E5B9ULL;
        hash ^= hash >> 31;
    }
    return hash;
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

TDFDBInstance* TDFDBInstanceList::search(unsigned long long id) const
{
    const Node* node = firstWithKey(id);
    return node ? node->value : nullptr;
}

TDFDBText* TDFDBTextList::search(unsigned long long id) const
{
    const Node* node = firstWithKey(id);
    return node ? node->value : nullptr;
}

// Most blocks declare a few messages: their index starts small.
TDFDefinitionBlock::TDFDefinitionBlock() : TDFTextObject(TDF_DEFINITION_BLOCK), messages(51, 4) {}

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

bool TDFDefinitionBlockIdKey::key(const TDFDefinitionBlock* block, unsigned long long* hash)
{
    if (!block || !block->tcf)
        return false;
    *hash = hashOfId(block->ids, block->tcf->idLength());
    return true;
}

unsigned long long TDFDefinitionBlock::firstUnusedId() const
{
    const int objects = instances.count + messages.count + texts.count;
    if (objects < objectsSeen_)
        usedIdsBelow_ = 0;
    objectsSeen_ = objects;
    while (getObjectFromId(usedIdsBelow_))
        ++usedIdsBelow_;
    return usedIdsBelow_;
}

TDFDefinitionBlock* TDFDefinitionBlockList::search(const unsigned long long* words, int length) const
{
    const Node* first = firstWithKey(hashOfId(words, length));
    if (!first || first->value->cmpId(words, length))
        return first ? first->value : nullptr;
    // Another identification with the same hash: the blocks are walked.
    for (TDFDefinitionBlock* block : *this)
        if (block && block->cmpId(words, length))
            return block;
    return nullptr;
}

struct TDFDBRefHash::Index : HashIndex<TDFDBRef> {
    std::vector<TDFDBRef*> byNumber;  // ascending; records of one number in interning order
};

TDFDBRefHash::TDFDBRefHash(unsigned bucketCount) : Hash<TDFDBRef*>(bucketCount), index_(new Index) {}

TDFDBRefHash::~TDFDBRefHash()
{
    delete index_;
}

unsigned TDFDBRefHash::code(TDFDBRef* ref)
{
    return bucketOf(ref->block);
}

TDFDBRefHash::Node* TDFDBRefHash::intern(TDFDBRef* ref, bool* isNew)
{
    bool added = false;
    Node* node = index_->intern(ref, reinterpret_cast<quintptr>(ref->block), &added,
                                [this](TDFDBRef* value) { return linkFront(value); });
    if (added) {
        // The writer numbers upwards, so a new record almost always goes last.
        std::vector<TDFDBRef*>& byNumber = index_->byNumber;
        const auto place = std::upper_bound(byNumber.begin(), byNumber.end(), ref->number,
                                            [](int number, const TDFDBRef* other) { return number < other->number; });
        byNumber.insert(place, ref);
    }
    if (isNew)
        *isNew = added;
    return node;
}

void TDFDBRefHash::clean()
{
    Hash<TDFDBRef*>::clean();
    index_->clear();
    index_->byNumber.clear();
}

TDFDBRef* TDFDBRefHash::searchDefinitionBlock(TDFDefinitionBlock* block) const
{
    return index_->newest(reinterpret_cast<quintptr>(block));
}

TDFDBRef* TDFDBRefHash::latestWhere(const std::function<bool(const TDFDefinitionBlock&)>& fits) const
{
    const std::vector<TDFDBRef*>& byNumber = index_->byNumber;
    for (auto ref = byNumber.rbegin(); ref != byNumber.rend(); ++ref)
        if (fits(*(*ref)->block))
            return *ref;
    return nullptr;
}

unsigned TDFDBRefHash::bucketOf(const TDFDefinitionBlock* block) const
{
    // Blocks are at least 4-byte aligned: the low bits carry nothing.
    return unsigned((reinterpret_cast<quintptr>(block) >> 2) % size);
}
