// Actions (AC, and BA ... EA blocks), synchronisations (SA, SY) and the
// markers of an externally triggered trace (ET, GA, GS).

#include "tcf.h"
#include "tdf.h"
#include "internal/flat_index.h"
#include "internal/tdf_bookkeeping.h"
#include "tdf_factory.h"

#include <QCoreApplication>

#include <algorithm>
#include <memory>

using namespace tdf::internal;

namespace {

// What a text operand reports, which differs from statement to statement.
struct TextOperandMessages {
    const char* neither;
    const char* unknownText;
};

const TextOperandMessages actionMessages{
    QT_TRANSLATE_NOOP("Error", "neither string nor number for action."),
    QT_TRANSLATE_NOOP("Error", "can't retrieve text id for action in definition block.")};
const TextOperandMessages actionBlockMessages{
    QT_TRANSLATE_NOOP("Error", "neither string nor number for action."),
    QT_TRANSLATE_NOOP("Error", "can't retrive text id for action in definition block.")};
const TextOperandMessages synchronisationMessages{
    QT_TRANSLATE_NOOP("Error", "neither string nor number for synchronisation."),
    QT_TRANSLATE_NOOP("Error", "can't retrieve text id for synchronisation in definition block.")};

// Reads the text an event shows: a string, or the id of a static text of the
// current block. An empty string is a text only when `emptyIsText`;
// otherwise a text id is read after it. `name` and `model` get what was read
// so far even when the operand turns out to be wrong.
bool readTextOperand(TDF& reader, const char** cursor, bool emptyIsText, const TextOperandMessages& messages,
                     QString& name, TDFDBText*& model)
{
    model = nullptr;
    if (reader.readString(cursor, name, true) && !name.isNull()) {
        if (emptyIsText || !name.isEmpty())
            return true;
        name = QString();
    }
    unsigned long long id;
    if (!reader.readNumber(cursor, &id)) {
        reader.reportError(messages.neither);
        return false;
    }
    if (!reader.currentBlock) {
        reader.reportError("can't retrieve text, no definition block set.");
        return false;
    }
    model = reader.currentBlock->getTextFromId(id);
    if (!model) {
        reader.reportError(messages.unknownText);
        return false;
    }
    return true;
}

// The dynamic instance an event names; 0 names none.
TDFInstance* instanceFor(TDF& reader, unsigned long long id)
{
    return id != 0 ? reader.findInstance(id) : nullptr;
}

TDFAction* placeAction(TDF& reader, TDFAction* action, bool* changed)
{
    decorate(reader, action);
    reader.appendObject(action);
    action->listNode = reader.actions.append(action);
    stamp(reader, action);
    report(changed);
    consumeDecorations(reader);
    return action;
}

TDFSynchronisation* newSynchronisation(TDF& reader, TDFDBText* model, std::unique_ptr<TDFInstanceList> members,
                                       const QString& name)
{
    TDFSynchronisation* synchronisation = reader.factory()->newTDFSynchronisation();
    synchronisation->model = model;
    synchronisation->instances = members.release();
    synchronisation->setName(name);
    decorate(reader, synchronisation);
    reader.appendObject(synchronisation);
    synchronisation->listNode = reader.synchronisations.append(synchronisation);
    stamp(reader, synchronisation);
    return synchronisation;
}


}

// AC TEXT INSTANCE_ID (TEXT: "STRING" or a static text id)
TDFObject* TDF::readAC(const char* text, bool* changed)
{
    QString name;
    TDFDBText* model = nullptr;
    if (!readTextOperand(*this, &text, false, actionMessages, name, model))
        return nullptr;
    readWhite(&text);
    unsigned long long id;
    if (!readNumber(&text, &id))
        return nullptr;
    TDFInstance* instance = instanceFor(*this, id);
    if (id != 0 && !instance) {
        reportError("can't find instance for action.");
        return nullptr;
    }

    TDFAction* action = factory()->newTDFAction();
    action->model = model;
    action->instance = instance;
    action->setName(name);
    return placeAction(*this, action, changed);
}

// BA TEXT INSTANCE_ID
// A BA inside an open block takes over the block's text and instance as far
// as its operands are valid, but deepens the block only when all are.
void TDF::readBA(const char* text)
{
    if (!readTextOperand(*this, &text, true, actionBlockMessages, actionBlockText, actionBlockTextModel))
        return;
    readWhite(&text);
    unsigned long long id;
    if (!readNumber(&text, &id))
        return;
    actionBlockInstance = instanceFor(*this, id);
    if (id != 0 && !actionBlockInstance) {
        reportError("can't find instance for action.");
        return;
    }
    if (++actionBlockDepth == 1)
        openActionBlockLine = lineNumber;
    actionBlockMode = true;
}

// EA
TDFObject* TDF::readEA(const char*, bool* changed)
{
    // The depth is never 0 when the dispatch calls this; a direct call
    // outside a block must not wrap it around.
    if (actionBlockDepth == 0 || --actionBlockDepth > 0)
        return nullptr;
    actionBlockMode = false;
    openActionBlockLine = 0;
    TDFAction* action = factory()->newTDFAction();
    action->model = actionBlockTextModel;
    action->instance = actionBlockInstance;
    action->setName(actionBlockText);
    return placeAction(*this, action, changed);
}

void TDF::addUndeletedInstances(TDFInstanceList& members)
{
    // Streaming lists only what it keeps, every live instance among them.
    if (streaming_) {
        for (TDFInstance* instance : instances)
            if (!instance->deletion)
                members.append(instance);
        return;
    }
    // Instances are only ever appended to the list (until a reset).
    ListNode<TDFInstance*>* node = lastListedInstance ? lastListedInstance->next : instances.head;
    if (lastListedInstance && node == instances.head)
        node = nullptr;
    for (; node; node = node->next == instances.head ? nullptr : node->next) {
        undeletedInstances.push_back(node->value);
        lastListedInstance = node;
    }
    size_t kept = 0;
    for (TDFInstance* instance : undeletedInstances) {
        if (instance->deletion)
            continue;
        members.append(instance);
        undeletedInstances[kept++] = instance;
    }
    undeletedInstances.resize(kept);
}

// SA TEXT
TDFObject* TDF::readSA(const char* text, bool* changed)
{
    QString name;
    TDFDBText* model = nullptr;
    if (!readTextOperand(*this, &text, false, synchronisationMessages, name, model))
        return nullptr;

    auto members = std::make_unique<TDFInstanceList>();
    // Without a world actor lifeline the synchronisation still needs an
    // entry standing for the world.
    const TCF* configuration = currentBlock ? currentBlock->tcf : nullptr;
    if (configuration && !configuration->displayWorldActor)
        members->append(nullptr);
    addUndeletedInstances(*members);
    if (members->count == 0) {
        reportError("SA whitout instance: no synchronisation created.");
        return nullptr;
    }

    TDFSynchronisation* synchronisation = newSynchronisation(*this, model, std::move(members), name);
    report(changed);
    consumeDecorations(*this);
    return synchronisation;
}

// SY TEXT [ID ...]
TDFObject* TDF::readSY(const char* text, bool* changed)
{
    QString name;
    TDFDBText* model = nullptr;
    if (!readTextOperand(*this, &text, true, synchronisationMessages, name, model))
        return nullptr;
    readWhite(&text);

    auto members = std::make_unique<TDFInstanceList>();
    // A line may name thousands of instances: the members are found by id
    // (an id names one instance within a line), not by a walk per id.
    FlatMap<TDFInstance*> membersById(16);
    unsigned long long id;
    while (readNumber(&text, &id)) {
        // An unknown id still takes a place, as an entry without instance.
        TDFInstance* instance = instanceFor(*this, id);
        if (instance && membersById.find(id))
            error(QCoreApplication::translate("Error", "instance %1 already included into synchronisation.",
                                              "%1 is a number")
                      .arg(id));
        else if (instance && instance->deletion)
            error(QCoreApplication::translate("Error", "instance %1 is destroyed at synchronisation time.",
                                              "%1 is a number")
                      .arg(id));
        else {
            if (instance)
                membersById.at(id) = instance;
            members->append(instance);
        }
    }

    TDFSynchronisation* synchronisation =
        members->count > 0 ? newSynchronisation(*this, model, std::move(members), name) : nullptr;
    if (changed)
        *changed = synchronisation != nullptr;
    consumeDecorations(*this);
    return synchronisation;
}

// The trigger markers are not events of the traced program: they take no
// annotation and no style, and drop any that are pending.
// The three trigger markers drop the pending annotations and style, which
// they have no use for; the pending link stays for the next event.
void TDF::placeTrigger(TDFObject* trigger, bool* changed)
{
    destroyPendingAnnotations();
    pendingStyle = nullptr;
    stamp(*this, trigger);
    appendObjectInline(trigger);
    report(changed);
}

// ET
TDFObject* TDF::readET(const char*, bool* changed)
{
    if (externalTrigger) {
        reportError("ET opcode already seen in traces");
        return nullptr;
    }
    TDFExternalTrigger* trigger = factory()->newTDFExternalTrigger();
    externalTrigger = trigger;
    placeTrigger(trigger, changed);
    return trigger;
}

// GA
TDFObject* TDF::readGA(const char*, bool* changed)
{
    if (!externalTrigger) {
        reportError("GA opcode cannot be used: not in external trigger mode (ET)");
        return nullptr;
    }
    if (triggerStart) {
        reportError("GA opcode already seen in traces");
        return nullptr;
    }
    TDFTriggerStart* trigger = factory()->newTDFTriggerStart();
    triggerStart = trigger;
    trigger->instance = currentInstance;
    useInstance(currentInstance);
    placeTrigger(trigger, changed);
    return trigger;
}

// GS
TDFObject* TDF::readGS(const char*, bool* changed)
{
    if (!externalTrigger) {
        reportError("GS opcode cannot be used: not in external trigger mode (ET)");
        return nullptr;
    }
    if (triggerStop) {
        reportError("GS opcode already seen in traces");
        return nullptr;
    }
    if (!triggerStart) {
        reportError("GS opcode cannot be used prior GA one");
        return nullptr;
    }
    TDFTriggerStop* trigger = factory()->newTDFTriggerStop();
    triggerStop = trigger;
    trigger->instance = currentInstance;
    useInstance(currentInstance);
    placeTrigger(trigger, changed);
    return trigger;
}
