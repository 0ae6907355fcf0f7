#ifndef TDF_OBJECTS_H
#define TDF_OBJECTS_H

// The trace object model: what a trace read from a TDF file becomes. Every
// event is a TDFObject; cheap down-casting goes through one virtual cast per
// kind. Objects are made by a TDFFactory and owned by the reader; the
// pointers between objects, to the static model and to the configuration
// never own what they point at.

#include "array.h"
#include "export.h"
#include "hash.h"
#include "id_hash.h"
#include "list.h"

#include <QString>

#include <cstddef>
#include <new>

class Glyph;
class Style;
class TDF;
class TDFWriter;
class ThreadState;
class TDFDBObject;
class TDFDBInstance;
class TDFDBMessage;
class TDFDefinitionBlock;

class TDFObject;
class TDFTextObject;
class TDFNote;
class TDFGlyph;
class TDFAction;
class TDFSynchronisation;
class TDFMessage;
class TDFMessageCall;
class TDFMessageReturn;
class TDFInstance;
class TDFInstanceDelete;
class TDFInstanceDeleteAll;
class TDFThreadInfo;
class TDFExternalTrigger;
class TDFTriggerStart;
class TDFTriggerStop;
class TDFLoopStart;
class TDFLoopEnd;

enum TDFObjectType : int {
    TDF_GENERIC = 0,
    TDF_MESSAGE = 1,
    TDF_MESSAGE_CALL = 2,
    TDF_MESSAGE_RETURN = 3,
    TDF_INSTANCE = 4,
    TDF_INSTANCE_DELETE = 5,
    TDF_INSTANCE_DELETE_ALL = 6,
    TDF_NOTE = 7,
    TDF_GLYPH = 8,
    TDF_SYNCHRONISATION = 9,
    TDF_ACTION = 10,
    TDF_LOOP_START = 11,
    TDF_LOOP_END = 12,
    TDF_DEFINITION_BLOCK = 13,
    TDF_THREAD_INFO = 14,
    TDF_NEW_TRACE = 15,
    TDF_TRIGGER_START = 16,
    TDF_TRIGGER_STOP = 17,
    TDF_EXTERNAL_TRIGGER = 18
};

// The kind's name as the writer and tools show it; null for kinds without
// one (delete-all, definition block, new trace, external trigger) and for
// values outside the enumeration.
TDF_EXPORT const char* strTDFObjectType(TDFObjectType type);

// Root of the object classes: each cast gives null unless the object is of
// the named kind.
class TDF_EXPORT TDFCast {
public:
    virtual TDFObject* toObject() { return nullptr; }
    virtual TDFTextObject* toTextObject() { return nullptr; }
    virtual TDFNote* toNote() { return nullptr; }
    virtual TDFGlyph* toGlyph() { return nullptr; }
    virtual TDFAction* toAction() { return nullptr; }
    virtual TDFSynchronisation* toSynchronisation() { return nullptr; }
    virtual TDFMessage* toMessage() { return nullptr; }
    virtual TDFMessageCall* toMessageCall() { return nullptr; }
    virtual TDFMessageReturn* toMessageReturn() { return nullptr; }
    virtual TDFInstance* toInstance() { return nullptr; }
    virtual TDFInstanceDelete* toInstanceDelete() { return nullptr; }
    virtual TDFInstanceDeleteAll* toInstanceDeleteAll() { return nullptr; }
    virtual TDFThreadInfo* toThreadInfo() { return nullptr; }
    virtual TDFExternalTrigger* toExternalTrigger() { return nullptr; }
    virtual TDFTriggerStart* toTriggerStart() { return nullptr; }
    virtual TDFTriggerStop* toTriggerStop() { return nullptr; }
    virtual TDFLoopStart* toLoopStart() { return nullptr; }
    virtual TDFLoopEnd* toLoopEnd() { return nullptr; }
    virtual TDFDefinitionBlock* toTDFDefinitionBlock() { return nullptr; }

protected:
    ~TDFCast() = default;
};

// An event of the trace, stamped with its time; the base of every trace
// object.
class TDF_EXPORT TDFObject : public TDFCast {
public:
    explicit TDFObject(TDFObjectType objectType = TDF_GENERIC) : type(objectType) {}
    TDFObject(const TDFObject&) = delete;
    TDFObject& operator=(const TDFObject&) = delete;

    TDFObject* toObject() override { return this; }

    // Objects of every class derived from this one live in the object
    // pools (object_pool.h); over-aligned classes use the global operators.
    static void* operator new(std::size_t bytes);
    static void* operator new(std::size_t bytes, std::align_val_t alignment);
    static void operator delete(void* object, std::size_t bytes);
    static void operator delete(void* object, std::size_t bytes, std::align_val_t alignment);

    virtual ~TDFObject();
    virtual QString name() const { return nameText; }
    virtual QString link() const { return linkText; }
    virtual Style* style() { return givenStyle; }
    // Naming an unnamed object without a name, as most lines do, assigns
    // no string.
    virtual void setName(const QString& newName)
    {
        if (!newName.isNull() || !nameText.isNull())
            nameText = newName;
    }
    // Writes the object as TDF records; the base writes nothing.
    virtual void write(TDFWriter& writer);

    // Attaches a note (or glyph): the note's owner becomes this object. An
    // earlier note stays attached to nothing else.
    void setNote(TDFNote* newNote);
    void setGlyph(TDFGlyph* newGlyph);

    TDFObjectType type;
    Style* givenStyle = nullptr;  // the style the trace gave (ST); the configuration owns it
    QString nameText;             // the object's own name
    QString linkText;             // the object's own source link (LK)
    TDFNote* note = nullptr;
    TDFGlyph* glyph = nullptr;
    unsigned long long time = 0;
    unsigned long long heapSize = 0;
    ListNode<TDFObject*>* objectNode = nullptr;
    Style* ownStyle = nullptr;  // owned and deleted with the object
};

// An object that shows a static text of a definition block (its model),
// falling back to its own name, link and style.
class TDF_EXPORT TDFTextObject : public TDFObject {
public:
    explicit TDFTextObject(TDFObjectType objectType = TDF_GENERIC) : TDFObject(objectType) {}

    TDFTextObject* toTextObject() override { return this; }
    QString name() const override;
    QString link() const override;
    Style* style() override;
    // Writes the text reference: the static text's id, else the quoted name.
    void write(TDFWriter& writer) override;

    TDFDBObject* model = nullptr;
};

// Notes and glyphs show their static text and their own name together.
class TDF_EXPORT TDFNote : public TDFTextObject {
public:
    TDFNote() : TDFTextObject(TDF_NOTE) {}

    TDFNote* toNote() override { return this; }
    // A note owned by another object than an instance is written by its owner.
    void write(TDFWriter& writer) override;
    using TDFTextObject::name;
    // The static text, a space and the own name; either alone when the
    // other is missing.
    virtual QString name();

    TDFObject* owner = nullptr;  // null for a free note
    ListNode<TDFNote*>* listNode = nullptr;
};

// A glyph (GL): a marker of a configured kind on a message, return or
// instance.
class TDF_EXPORT TDFGlyph : public TDFTextObject {
public:
    TDFGlyph() : TDFTextObject(TDF_GLYPH) {}

    TDFGlyph* toGlyph() override { return this; }
    // A glyph owned by a message or return is written by its owner.
    void write(TDFWriter& writer) override;
    using TDFTextObject::name;
    // The static text, a space and the own name; either alone when the
    // other is missing.
    virtual QString name();

    TDFObject* owner = nullptr;
    ListNode<TDFGlyph*>* listNode = nullptr;
    Glyph* definition = nullptr;  // the configuration's glyph kind
};

// An action (AC, or a BA ... EA block) of an instance.
class TDF_EXPORT TDFAction : public TDFTextObject {
public:
    TDFAction() : TDFTextObject(TDF_ACTION) {}

    TDFAction* toAction() override { return this; }
    void write(TDFWriter& writer) override;

    TDFInstance* instance = nullptr;
    ListNode<TDFAction*>* listNode = nullptr;
};

// Instances listed in order, skipping empty entries in searches.
class TDF_EXPORT TDFInstanceList : public List<TDFInstance*> {
public:
    // The first instance in list order with that dynamic id, or null.
    TDFInstance* search(unsigned long long id) const;
};

// A synchronisation (SA, SY) of several instances.
class TDF_EXPORT TDFSynchronisation : public TDFTextObject {
public:
    TDFSynchronisation() : TDFTextObject(TDF_SYNCHRONISATION) {}
    ~TDFSynchronisation() override;

    TDFSynchronisation* toSynchronisation() override { return this; }
    void write(TDFWriter& writer) override;

    // The instances taking part, owned (not the instances); a null entry
    // stands for no instance.
    TDFInstanceList* instances = nullptr;
    ListNode<TDFSynchronisation*>* listNode = nullptr;
};

// An instance deletion of either kind; toInstanceDelete() and
// toInstanceDeleteAll() tell them apart.
class TDF_EXPORT TDFInstanceDeleteAbstract : public TDFObject {
public:
    explicit TDFInstanceDeleteAbstract(TDFObjectType objectType = TDF_GENERIC) : TDFObject(objectType) {}

    ListNode<TDFInstanceDeleteAbstract*>* listNode = nullptr;
};

// The deletion of one instance (DI).
class TDF_EXPORT TDFInstanceDelete : public TDFInstanceDeleteAbstract {
public:
    TDFInstanceDelete() : TDFInstanceDeleteAbstract(TDF_INSTANCE_DELETE) {}

    TDFInstanceDelete* toInstanceDelete() override { return this; }
    void write(TDFWriter& writer) override;

    TDFInstance* instance = nullptr;
    TDFMessageReturn* messageReturn = nullptr;  // the return that deleted it, if named
};

// The deletion of every live instance created since the previous DA (DA).
class TDF_EXPORT TDFInstanceDeleteAll : public TDFInstanceDeleteAbstract {
public:
    TDFInstanceDeleteAll() : TDFInstanceDeleteAbstract(TDF_INSTANCE_DELETE_ALL) {}
    ~TDFInstanceDeleteAll() override;

    TDFInstanceDeleteAll* toInstanceDeleteAll() override { return this; }
    void write(TDFWriter& writer) override;

    TDFInstanceList* instances = nullptr;  // owned (not the instances)
};

// A dynamic instance of the trace. Its activation record lists, in trace
// order, the events at which activation bars open and close (alternately).
class TDF_EXPORT TDFInstance : public TDFObject {
public:
    TDFInstance() : TDFObject(TDF_INSTANCE) {}
    ~TDFInstance() override;

    TDFInstance* toInstance() override { return this; }
    QString link() const override;
    Style* style() override;
    // An explicit (non-null) name is never replaced by a generated one.
    void setName(const QString& newName) override;
    // Writes the creating message, if any, then the instance's NI record.
    void write(TDFWriter& writer) override;
    // Writes only the NI record: the instance took another static model.
    void writeModelChangment(TDFWriter& writer);

    TDFInstanceDelete* instanceDelete() const;
    TDFInstanceDeleteAll* instanceDeleteAll() const;

    // Gives the instance its static instance and the occurrence number that
    // goes with it, and names it from its type's naming unless it was named
    // explicitly.
    void setModel(TDFDBInstance* staticInstance);
    // Names an instance that exists before any static instance is known,
    // numbering it with the reader's counter.
    void setModeless(TDF* reader);
    // The name an unnamed instance of that static instance (null for a
    // modeless one) and occurrence number bears.
    static QString generatedName(const TDFDBInstance* staticInstance, unsigned long long occurrence);

    // True when the instance's type has nested control flow.
    bool hasActivation() const;
    // Follows control entering (gainsControl) or leaving the instance at
    // `event` (a message, call or return), recording where bars open and
    // close.
    void computeActivation(TDFObject* event, bool gainsControl);

    TDFInstanceDeleteAbstract* deletion = nullptr;
    TDFDBInstance* model = nullptr;  // null for a modeless instance
    unsigned long long id = 0;
    TDFMessage* creationMessage = nullptr;
    unsigned long long occurrence = 0;
    Array<TDFObject*>* activations = nullptr;  // owned, made on first use
    int activationLevel = 0;
    bool named = false;

private:
    // The first capacity of activations when it was made in a block of the
    // object pools, which its size depends on; 0 when it was made with new
    // (declared here to fill the padding after the flag above).
    unsigned char activationsBlockCapacity_ = 0;
    void makeActivationsInPool(int capacity, int growth);
    // A streaming reader's count of the kept events that name the instance,
    // up to its largest value (the reader counts the rest aside); in the
    // padding too.
    unsigned short streamingUses_ = 0;
    friend class TDF;

public:
    TDFInstance* previous = nullptr;  // an earlier, deleted instance with the same id
    ListNode<TDFInstance*>* instanceNode = nullptr;
    Hash<TDFInstance*>::Node* hashNode = nullptr;
};

// The reader's dynamic instances by id (a trace may create millions of
// them); of several with the same id the most recently interned is found.
extern template class TDF_EXPORT IdHash<TDFInstance, &TDFInstance::id>;
class TDF_EXPORT TDFInstanceHash : public IdHash<TDFInstance, &TDFInstance::id> {
public:
    using IdHash::IdHash;
};

// A thread of the traced program, shared by its thread records.
class TDF_EXPORT TDFThread {
public:
    void setName(const QString& newName) { name = newName; }

    QString name;
    unsigned long long num = 0;
    int colorIndex = 0;
    ListNode<TDFThread*>* listNode = nullptr;
};

// A thread record (TI): a thread's state and priority from here on.
class TDF_EXPORT TDFThreadInfo : public TDFObject {
public:
    TDFThreadInfo() : TDFObject(TDF_THREAD_INFO) {}

    TDFThreadInfo* toThreadInfo() override { return this; }
    // The thread's name; null without a thread.
    QString name() const override;
    // Names the thread; without a thread nothing happens.
    void setName(const QString& newName) override;

    // A 0 number or colour index leaves the thread unchanged.
    void setNum(unsigned long long num);
    void setColorIndex(int index);

    unsigned long long stateId = 0;  // 1 is the running state
    unsigned long long priority = 0;
    ListNode<TDFThreadInfo*>* listNode = nullptr;
    ThreadState* threadState = nullptr;
    TDFThread* thread = nullptr;
};

// A message (ME) from its sender to its receiver, open until returned.
class TDF_EXPORT TDFMessage : public TDFObject {
public:
    TDFMessage() : TDFObject(TDF_MESSAGE) {}
    ~TDFMessage() override;

    TDFMessage* toMessage() override { return this; }
    QString link() const override;
    Style* style() override;
    // A message that created its receiver is written once, by itself or by
    // the receiver, whichever the writer meets first.
    void write(TDFWriter& writer) override;

    // The static id the message was read with: its model's, else the id
    // kept for it, else 0.
    unsigned long long staticId() const;
    // Keeps the id of a message that matched no model, so that it can be
    // written as it was read. Such messages are rare: the id is kept aside,
    // not in every message.
    void keepUnmatchedStaticId(unsigned long long id);

    TDFInstance* sender = nullptr;
    TDFInstance* receiver = nullptr;
    TDFDBMessage* model = nullptr;
    TDFMessageReturn* messageReturn = nullptr;
    TDFMessageCall* call = nullptr;
    bool awaitingCompletion = true;  // only meaningful for a message announced by a call

private:
    bool hasKeptStaticId_ = false;  // declared here to fill the padding after the flag above

public:
    int usedModelCount = 0;       // distinct static messages seen up to this one
    TDFThread* thread = nullptr;  // the running thread when the message was read
    ListNode<TDFMessage*>* listNode = nullptr;
    ListNode<TDFThreadInfo*>* threadInfo = nullptr;
};

// A call (MC) that announces a message completed by a later ME.
class TDF_EXPORT TDFMessageCall : public TDFObject {
public:
    TDFMessageCall() : TDFObject(TDF_MESSAGE_CALL) {}

    TDFMessageCall* toMessageCall() override { return this; }
    void write(TDFWriter& writer) override;

    unsigned long long callId = 0;
    TDFMessage* message = nullptr;
    ListNode<TDFMessageCall*>* listNode = nullptr;
};

// The return (MR) of a message.
class TDF_EXPORT TDFMessageReturn : public TDFObject {
public:
    TDFMessageReturn() : TDFObject(TDF_MESSAGE_RETURN) {}

    TDFMessageReturn* toMessageReturn() override { return this; }
    void write(TDFWriter& writer) override;

    TDFMessage* message = nullptr;
    TDFInstanceDelete* deletion = nullptr;  // the deletion this return caused
    ListNode<TDFMessageReturn*>* listNode = nullptr;
    ListNode<TDFThreadInfo*>* threadInfo = nullptr;
};

// The start of a new trace in the same file (NT).
class TDF_EXPORT TDFNewTrace : public TDFObject {
public:
    TDFNewTrace() : TDFObject(TDF_NEW_TRACE) {}

    void write(TDFWriter& writer) override;
    virtual TDFNewTrace* toNewTrace() { return this; }
};

// The start of a loop (LS) on an instance.
class TDF_EXPORT TDFLoopStart : public TDFObject {
public:
    TDFLoopStart() : TDFObject(TDF_LOOP_START) {}

    TDFLoopStart* toLoopStart() override { return this; }
    void write(TDFWriter& writer) override;

    TDFInstance* instance = nullptr;
    TDFLoopEnd* loopEnd = nullptr;
    unsigned long long iterations = 0;
    long long occurrence = 0;
    TDFObject* firstObject = nullptr;  // first object appended after the start
    QString loopId;                    // dotted id, such as 3.2.8
    ListNode<TDFLoopStart*>* listNode = nullptr;
};

// The end of a loop (LE).
class TDF_EXPORT TDFLoopEnd : public TDFObject {
public:
    TDFLoopEnd() : TDFObject(TDF_LOOP_END) {}

    TDFLoopEnd* toLoopEnd() override { return this; }
    void write(TDFWriter& writer) override;

    TDFInstance* instance = nullptr;
    TDFLoopStart* loopStart = nullptr;
    TDFObject* lastObject = nullptr;  // last object appended before the end
    ListNode<TDFLoopEnd*>* listNode = nullptr;
};

// Where the triggered recording starts (GA).
class TDF_EXPORT TDFTriggerStart : public TDFObject {
public:
    TDFTriggerStart() : TDFObject(TDF_TRIGGER_START) {}

    TDFTriggerStart* toTriggerStart() override { return this; }
    void write(TDFWriter& writer) override;

    TDFInstance* instance = nullptr;
};

// Where the triggered recording stops (GS).
class TDF_EXPORT TDFTriggerStop : public TDFObject {
public:
    TDFTriggerStop() : TDFObject(TDF_TRIGGER_STOP) {}

    TDFTriggerStop* toTriggerStop() override { return this; }
    void write(TDFWriter& writer) override;

    TDFInstance* instance = nullptr;
};

// The mark of a trace taken on an external trigger (ET).
class TDF_EXPORT TDFExternalTrigger : public TDFObject {
public:
    TDFExternalTrigger() : TDFObject(TDF_EXTERNAL_TRIGGER) {}

    TDFExternalTrigger* toExternalTrigger() override { return this; }
    void write(TDFWriter& writer) override;
};

#endif
