// How each trace object writes itself as TDF records. A record that the
// reader resolves against the current definition block is preceded by the
// switch to the block it needs, and then by the object's prefix records
// (link, style, time), so that a style is always looked up in a block.

#include "naming.h"
#include "style.h"
#include "tcf.h"
#include "tdf_db.h"
#include "tdf_objects.h"
#include "tdfwrt.h"

#include <algorithm>
#include <ostream>
#include <vector>

namespace {

void writePrefix(TDFWriter& writer, TDFObject* object)
{
    writer.writeLink(object);
    writer.writeStyle(object);
    writer.writeTime(object);
}

// Switches to the block of a static object, when there is one.
void switchToBlockOf(TDFWriter& writer, const TDFDBObject* model)
{
    if (model)
        writer.changeDefinitionBlock(model->definitionBlock);
}

// An annotation owned by an instance or by nothing is placed by a CI record
// after it; those of other objects are written by their owner.
bool ownedByAnInstanceOrNone(const TDFObject* owner)
{
    return !owner || owner->type == TDF_INSTANCE;
}

// The CI record that attaches a pending note or glyph to `owner` (or to no
// instance), written even when the instance is already current. A deleted
// instance may have lent its id to a later one, which CI with the id would
// find: when it is current, the bare CI names it.
void attachTo(TDFWriter& writer, TDFObject* owner)
{
    TDFInstance* instance = owner ? owner->toInstance() : nullptr;
    if (instance && instance->deletion && writer.isCurrent(instance)) {
        writer.stream << "CI\n";
        return;
    }
    writer.stream << "CI ";
    writer.writeHexa(instance ? instance->id : 0);
    writer.stream << '\n';
    writer.currentInstance = instance;
}

// The block a message is written in: its model's or, when its static id
// matched no model, one that lacks the id as the block it was read in did.
TDFDefinitionBlock* blockOf(TDFWriter& writer, const TDFMessage* message)
{
    if (message->model)
        return message->model->definitionBlock;
    const unsigned long long id = message->staticId();
    return writer.blockWhere(
        [id](const TDFDefinitionBlock& block) { return block.tcf && !block.getMessageFromId(id); });
}

// The link and style a static object of a block takes from the LK and ST
// records before it. `pendingLink` follows the reader's pending link text.
void writeStaticDecorations(TDFWriter& writer, const TDFDBObject* object, QString& pendingLink)
{
    if (object->sourceLine != 0) {
        // The line was read as an unsigned number and kept in 32 bits.
        writer.stream << "LK ";
        writer.writeHexa(static_cast<unsigned>(object->sourceLine));
        writer.stream << '\n';
        pendingLink = QString();
    } else if (object->sourceLinkText.isNull() && !pendingLink.isNull()) {
        writer.stream << "LK 0\n";
        pendingLink = QString();
    } else if (!object->sourceLinkText.isNull() &&
               (pendingLink.isNull() || object->sourceLinkText != pendingLink)) {
        writer.stream << "LK ";
        writer.writeQuoted(object->sourceLinkText);
        writer.stream << '\n';
        pendingLink = object->sourceLinkText;
    }
    if (object->givenStyle)
        writer.stream << "ST " << object->givenStyle->id() << '\n';
}

// A static message or text of a block: its decorations, then the record
// giving its id and name.
void writeStaticRecord(TDFWriter& writer, const char* opcode, const TDFDBObject* object, QString& pendingLink)
{
    writeStaticDecorations(writer, object, pendingLink);
    writer.stream << opcode;
    writer.writeHexa(object->id);
    writer.stream << ' ';
    writer.writeQuoted(object->name);
    writer.stream << '\n';
}

// The SI record naming the super instance of the next IN: its id alone in
// the same block, followed by its block's ids otherwise.
void writeSuperInstance(TDFWriter& writer, const TDFDefinitionBlock* block, const TDFDBInstance* super)
{
    writer.stream << "SI ";
    writer.writeHexa(super->id);
    const TDFDefinitionBlock* holder = super->definitionBlock;
    if (holder && holder != block && holder->tcf) {
        for (int i = 0; i < holder->tcf->idLength(); ++i) {
            writer.stream << ' ';
            writer.writeHexa(holder->id(i));
        }
    }
    writer.stream << '\n';
}

}

void TDFTextObject::write(TDFWriter& writer)
{
    writer.writeTextReference(this);
}

void TDFDefinitionBlock::write(TDFWriter& writer)
{
    std::ostream& out = writer.stream;
    if (!tcf)
        return;
    out << "DB ";
    writer.writeQuoted(tcf->name());
    out << "\nID";
    for (int i = 0; i < tcf->idLength(); ++i) {
        out << ' ';
        writer.writeHexa(id(i));
    }
    out << '\n';
    if (source) {
        out << "SO ";
        writer.writeQuoted(source->file);
        out << ' ' << source->date << ' ' << (source->type == TDFDBSource::SOURCE_XRD ? "\"xrd\"" : "\"txt\"") << '\n';
    }

    QString pendingLink;
    for (TDFDBInstance* instance : instances) {
        if (!instance->instanceType)
            continue;
        if (instance->superInstance)
            writeSuperInstance(writer, this, instance->superInstance);
        writeStaticDecorations(writer, instance, pendingLink);
        out << "IN ";
        writer.writeQuoted(instance->instanceType->name);
        out << ' ';
        writer.writeHexa(instance->id);
        out << ' ';
        writer.writeQuoted(instance->name);
        out << '\n';
    }
    // Messages are kept by id; writing them in id order keeps the output
    // stable.
    std::vector<TDFDBMessage*> byId;
    messages.forEach([&byId](TDFDBMessage* message) { byId.push_back(message); });
    std::sort(byId.begin(), byId.end(), [](const TDFDBMessage* a, const TDFDBMessage* b) { return a->id < b->id; });
    for (TDFDBMessage* message : byId)
        writeStaticRecord(writer, "MS ", message, pendingLink);
    for (TDFDBText* text : texts) {
        writeStaticRecord(writer, "TX ", text, pendingLink);
        pendingLink = QString();
    }
    // The link stays pending past ED, and an event would take it: every
    // event that has a link writes its own.
    if (!pendingLink.isNull())
        out << "LK 0\n";
    out << "ED\n";
}

void TDFNote::write(TDFWriter& writer)
{
    if (!ownedByAnInstanceOrNone(owner))
        return;
    writer.writeNote(this);
    attachTo(writer, owner);
}

void TDFGlyph::write(TDFWriter& writer)
{
    if (!ownedByAnInstanceOrNone(owner) || !definition)
        return;
    writer.writeGlyph(this);
    attachTo(writer, owner);
}

void TDFAction::write(TDFWriter& writer)
{
    switchToBlockOf(writer, model);
    writePrefix(writer, this);
    // An action of an empty text or none comes from an action block: AC
    // would take its empty string for no text at all.
    const bool fromBlock = !model && name().isEmpty();
    writer.stream << (fromBlock ? "BA " : "AC ");
    writer.writeTextReference(this);
    writer.stream << ' ';
    writer.writeHexa(instance ? instance->id : 0);
    writer.stream << '\n';
    if (!fromBlock)
        return;
    // No text at all comes from an inner BA whose text could not be found.
    if (name().isNull()) {
        writer.stream << "BA ";
        writer.writeHexa(writer.idUnknownToCurrentBlock());
        writer.stream << '\n';
    }
    writer.stream << "EA\n";
}

void TDFSynchronisation::write(TDFWriter& writer)
{
    switchToBlockOf(writer, model);
    writePrefix(writer, this);
    writer.stream << "SY ";
    writer.writeTextReference(this);
    if (instances) {
        for (TDFInstance* member : *instances) {
            writer.stream << ' ';
            writer.writeHexa(member ? member->id : 0);
        }
    }
    writer.stream << '\n';
}

void TDFInstanceDelete::write(TDFWriter& writer)
{
    TDFDBMessage* returnedModel = messageReturn && messageReturn->message ? messageReturn->message->model : nullptr;
    writer.writeNote(note);
    switchToBlockOf(writer, returnedModel);
    writePrefix(writer, this);
    writer.stream << "DI ";
    writer.writeHexa(instance ? instance->id : 0);
    if (returnedModel)
        writer.stream << ' ' << returnedModel->id;
    writer.stream << '\n';
    if (writer.isCurrent(instance))
        writer.currentInstance = nullptr;
}

void TDFInstanceDeleteAll::write(TDFWriter& writer)
{
    writer.writeStyle(this);
    writer.writeTime(this);
    writer.stream << "DA\n";
    writer.currentInstance = nullptr;
}

void TDFInstance::write(TDFWriter& writer)
{
    // The message that created the instance comes first; unlinked for the
    // call, it writes itself as any message does.
    if (TDFMessage* creation = creationMessage) {
        creationMessage = nullptr;
        creation->write(writer);
        creationMessage = creation;
    }
    writeModelChangment(writer);
}

void TDFInstance::writeModelChangment(TDFWriter& writer)
{
    if (model) {
        switchToBlockOf(writer, model);
        writePrefix(writer, this);
        writer.stream << "NI ";
        writer.writeHexa(model->id);
        writer.stream << ' ';
        writer.writeHexa(id);
        if (named) {
            writer.stream << ' ';
            writer.writeQuoted(name());
        }
        writer.stream << '\n';
    }
    writer.currentInstance = this;
}

void TDFMessage::write(TDFWriter& writer)
{
    // Without a block no ME record can carry it.
    TDFDefinitionBlock* block = blockOf(writer, this);
    if (!block)
        return;
    // The instance it created writes it, before its own NI record.
    if (receiver && receiver->creationMessage == this)
        return;
    writer.changeInstance(sender);
    // A note or glyph without a static text still needs a block to be read
    // in: the message's.
    writer.changeDefinitionBlock(block);
    if (note)
        writer.writeNote(note);
    else
        writer.writeGlyph(glyph);
    writer.changeDefinitionBlock(block);
    writer.writeLink(this);
    // A completed call took its style at MC, where the style record went.
    if (!call)
        writer.writeStyle(this);
    writer.writeTime(this);
    writer.stream << "ME ";
    writer.writeHexa(staticId());
    writer.stream << ' ';
    writer.writeHexa(receiver ? receiver->id : 0);
    if (call)
        writer.stream << ' ' << call->callId;
    if (!name().isNull()) {
        writer.stream << ' ';
        writer.writeQuoted(name());
    }
    writer.stream << '\n';
    writer.currentInstance = receiver;
}

void TDFMessageCall::write(TDFWriter& writer)
{
    if (!message || !message->model)
        return;
    // The reader takes a missing sender field, or 0, as the current
    // instance: a call without sender needs no instance current.
    if (!message->sender)
        writer.changeInstance(nullptr);
    switchToBlockOf(writer, message->model);
    // The message takes its style at the call.
    writer.writeStyle(message);
    writer.writeTime(this);
    writer.stream << "MC " << callId << ' ' << message->model->id;
    if (!writer.isCurrent(message->sender)) {
        writer.stream << ' ';
        writer.writeHexa(message->sender->id);
    }
    writer.stream << '\n';
}

void TDFMessageReturn::write(TDFWriter& writer)
{
    // A bare MR would match whatever message is open: without its message
    // a return is not written.
    if (!message || !message->model)
        return;
    switchToBlockOf(writer, message->model);
    writer.writeGlyph(glyph);
    switchToBlockOf(writer, message->model);
    writePrefix(writer, this);
    writer.stream << "MR ";
    writer.writeHexa(message->model->id);
    writer.stream << '\n';
    writer.currentInstance = message->sender;
}

void TDFNewTrace::write(TDFWriter& writer)
{
    writer.stream << "NT\n";
    writer.forgetContext();
}

void TDFLoopStart::write(TDFWriter& writer)
{
    // A loop is named by the configuration of the block current at its
    // start (a style needs one too); read without a block it has no name.
    writePrefix(writer, this);
    writer.selectBlockForLoop(!name().isNull());
    writer.changeInstance(instance);
    writer.stream << "LS " << iterations << '\n';
}

void TDFLoopEnd::write(TDFWriter& writer)
{
    writePrefix(writer, this);
    writer.changeInstance(instance);
    writer.stream << "LE\n";
}

void TDFExternalTrigger::write(TDFWriter& writer)
{
    writer.writeTime(this);
    writer.stream << "ET\n";
}

void TDFTriggerStart::write(TDFWriter& writer)
{
    writer.changeInstance(instance);
    writer.writeTime(this);
    writer.stream << "GA\n";
}

void TDFTriggerStop::write(TDFWriter& writer)
{
    writer.changeInstance(instance);
    writer.writeTime(this);
    writer.stream << "GS\n";
}
