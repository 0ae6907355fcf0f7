#ifndef TDF_DB_H
#define TDF_DB_H

// Definition blocks and the static model they declare: the instances that
// can exist, the messages they exchange, the texts that events show and the
// source file they come from. Trace objects point at these through their
// `model` fields for names, styles and source links.

#include "export.h"
#include "hash.h"
#include "id_hash.h"
#include "keyed_list.h"
#include "list.h"
#include "tdf_objects.h"

#include <QString>

#include <functional>

class InstanceType;
class Style;
class TCF;

enum TDFDBObjectType : int { TDFDB_MESSAGE = 101, TDFDB_INSTANCE = 102, TDFDB_TEXT = 103 };

// "message", "instance" or "text"; null for other values.
TDF_EXPORT const char* TDFDBstatementTypeString(TDFDBObjectType type);

// A static object of a definition block: an instance, message or text.
class TDF_EXPORT TDFDBObject {
public:
    TDFDBObject(TDFDBObjectType objectType, unsigned long long objectId, const QString& objectName);
    virtual ~TDFDBObject();
    TDFDBObject(const TDFDBObject&) = delete;
    TDFDBObject& operator=(const TDFDBObject&) = delete;

    virtual Style* style() const { return givenStyle; }

    void setSourceLinkText(const QString& text) { sourceLinkText = text; }
    // The object's place in its block's source ("main.c:42",
    // "xrd#model.xrd#id42"), built once and cached.
    QString sourceLink();

    TDFDBObjectType type;
    TDFDefinitionBlock* definitionBlock = nullptr;
    unsigned long long id;
    QString name;  // the instance or message name, or the text itself
    int sourceLine = 0;
    QString sourceLinkText;
    Style* givenStyle = nullptr;  // the style the block gave (ST); the configuration owns it
    QString cachedLink;
};

// A static text (TX) that events show by id.
class TDF_EXPORT TDFDBText : public TDFDBObject {
public:
    TDFDBText(unsigned long long id, const QString& text) : TDFDBObject(TDFDB_TEXT, id, text) {}
};

// A static message (MS) that messages, calls and returns name.
class TDF_EXPORT TDFDBMessage : public TDFDBObject {
public:
    TDFDBMessage(unsigned long long id, const QString& name) : TDFDBObject(TDFDB_MESSAGE, id, name) {}

    bool used = false;  // the message has occurred in the trace being read
};

// A static instance (IN): the model of dynamic instances.
class TDF_EXPORT TDFDBInstance : public TDFDBObject {
public:
    TDFDBInstance(unsigned long long id, InstanceType* type, const QString& name)
        : TDFDBObject(TDFDB_INSTANCE, id, name), instanceType(type)
    {
    }

    // The instance's own style, else its type's.
    Style* style() const override;
    void setSuperInstance(TDFDBInstance* instance) { superInstance = instance; }

    InstanceType* instanceType;
    TDFDBInstance* superInstance = nullptr;
    unsigned long long occurrenceCounter = 0;  // next occurrence number for a dynamic instance
};

// The source file a definition block was made from (SO).
class TDF_EXPORT TDFDBSource {
public:
    enum Type : int { SOURCE_TXT = 0, SOURCE_XRD = 1 };

    void init(const QString& sourceFile, unsigned long long sourceDate, TDFDBSource::Type sourceType);

    QString file;
    unsigned long long date = 0;
    Type type = SOURCE_TXT;
};

// The static messages of a block by id; of several with the same id the
// most recently interned is found.
extern template class TDF_EXPORT IdHash<TDFDBMessage, &TDFDBMessage::id>;
class TDF_EXPORT TDFDBMessageHash : public IdHash<TDFDBMessage, &TDFDBMessage::id> {
public:
    using IdHash::IdHash;
};

// The key of a static object in its block's lists: its id.
struct TDFDBObjectIdKey {
    static bool key(const TDFDBObject* object, unsigned long long* id)
    {
        if (!object)
            return false;
        *id = object->id;
        return true;
    }
};

// The static instances and texts of a block, in the order they were
// defined, indexed by id (keyed_list.h: change them through these classes,
// and never an object's id while it is listed).
class TDF_EXPORT TDFDBInstanceList : public KeyedList<TDFDBInstance, TDFDBObjectIdKey> {
public:
    // The first instance in list order with that id, or null.
    TDFDBInstance* search(unsigned long long id) const;
};

// The static texts of a block, in the order they were defined.
class TDF_EXPORT TDFDBTextList : public KeyedList<TDFDBText, TDFDBObjectIdKey> {
public:
    // The first text in list order with that id, or null.
    TDFDBText* search(unsigned long long id) const;
};

// A definition block: identified by `idLength()` words of its
// configuration, it owns its static objects, its id array and its source.
class TDF_EXPORT TDFDefinitionBlock : public TDFTextObject {
public:
    TDFDefinitionBlock();
    ~TDFDefinitionBlock() override;

    TDFDefinitionBlock* toTDFDefinitionBlock() override { return this; }
    // Writes the block's definition (DB ... ED), so that the records that
    // refer to it can be read back.
    void write(TDFWriter& writer) override;

    // Takes the configuration and a fresh id array of its id length.
    void setTCF(TCF* configuration);
    // The id word at `index`; 0 without a configuration or outside the id.
    unsigned long long id(int index) const;
    void setId(int index, unsigned long long value);
    // True when `length` is the configuration's id length and the first
    // `length` words of `words` are the block's.
    bool cmpId(const unsigned long long* words, int length) const;

    void addText(TDFDBText* text);
    void addInstance(TDFDBInstance* instance);
    void addMessage(TDFDBMessage* message);
    TDFDBInstance* getInstanceFromId(unsigned long long id) const;
    TDFDBText* getTextFromId(unsigned long long id) const;
    TDFDBMessage* getMessageFromId(unsigned long long id) const;
    // An instance, else a message, else a text with that id.
    TDFDBObject* getObjectFromId(unsigned long long id) const;
    // The smallest id that no static object of the block has. The ids
    // below the last answer are not looked at again while no object is
    // removed, so asking after every statement costs no walk each time.
    unsigned long long firstUnusedId() const;

    ListNode<TDFDefinitionBlock*>* listNode = nullptr;
    bool valid = true;
    bool hasId = false;
    TCF* tcf = nullptr;
    unsigned long long* ids = nullptr;
    TDFDBSource* source = nullptr;
    TDFDBInstanceList instances;
    TDFDBMessageHash messages;
    TDFDBTextList texts;
    int messageCount = 0;
    bool counted = false;  // messageCount is already in the reader's total

private:
    // Every id below this one has an object, as far as firstUnusedId knows.
    mutable unsigned long long usedIdsBelow_ = 0;
    // The objects there were when usedIdsBelow_ was found: fewer now means
    // some were removed, and the search starts again from 0.
    mutable int objectsSeen_ = 0;
};

// The key of a listed block: a hash of its id words, none without a
// configuration (such a block matches no id).
struct TDF_EXPORT TDFDefinitionBlockIdKey {
    static bool key(const TDFDefinitionBlock* block, unsigned long long* hash);
};

// Definition blocks indexed by their id words (keyed_list.h: change the
// list through this class, and no listed block's configuration or id).
class TDF_EXPORT TDFDefinitionBlockList : public KeyedList<TDFDefinitionBlock, TDFDefinitionBlockIdKey> {
public:
    // The first block from the head whose id matches (cmpId).
    TDFDefinitionBlock* search(const unsigned long long* words, int length) const;
};

// The writer's number for a definition block.
struct TDF_EXPORT TDFDBRef {
    TDFDefinitionBlock* block;
    int number;
};

// The writer's block numbers. Beside the buckets, an index by block and
// the records in number order keep lookups constant in time and let the
// latest numbered block that fits be found from the top down, however many
// blocks a trace has (a record's block and number must not change while it
// is interned); intern and clean keep them, also when called through the
// base class.
class TDF_EXPORT TDFDBRefHash : public Hash<TDFDBRef*> {
public:
    explicit TDFDBRefHash(unsigned bucketCount);
    ~TDFDBRefHash() override;
    unsigned code(TDFDBRef* ref) override;
    Node* intern(TDFDBRef* ref, bool* isNew) override;
    void clean() override;
    // The record of `block` interned last, or null.
    TDFDBRef* searchDefinitionBlock(TDFDefinitionBlock* block) const;
    // The record with the highest number whose block `fits`, or null.
    TDFDBRef* latestWhere(const std::function<bool(const TDFDefinitionBlock&)>& fits) const;

private:
    unsigned bucketOf(const TDFDefinitionBlock* block) const;

    struct Index;
    Index* index_;
};

#endif
