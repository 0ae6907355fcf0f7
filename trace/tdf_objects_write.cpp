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

#include "internal/object_records.h"
#include "internal/record_text.h"

#include <algorithm>
#include <vector>

using tdf::internal::ObjectRecords;
using tdf::internal::RecordText;

namespace {

// Switches to the block of a static object, when there is one.
void switchToBlockOf(ObjectRecords& records, const TDFDBObject* model)
{
    if (model)
        records.changeDefinitionBlock(model->definitionBlock);
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
void attachTo(ObjectRecords& records, TDFObject* owner)
{
    TDFInstance* instance = owner ? owner->toInstance() : nullptr;
    TDFWriter& writer = records.writer;
    RecordText& out = records.text;
    if (instance && instance->deletion && writer.isCurrent(instance)) {
        out << "CI\n";
        return;
    }
    out << "CI ";
    out.number(instance ? instance->id : 0);
    out << '\n';
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
void writeStaticDecorations(RecordText& out, const TDFDBObject* object, QString& pendingLink)
{
    if (object->sourceLine != 0) {
        // The line was read as an unsigned number and kept in 32 bits.
        out << "LK ";
        out.number(static_cast<unsigned>(object->sourceLine));
        out << '\n';
        pendingLink = QString();
    } else if (object->sourceLinkText.isNull() && !pendingLink.isNull()) {
        out << "LK 0\n";
        pendingLink = QString();
    } else if (!object->sourceLinkText.isNull() &&
               (pendingLink.isNull() || object->sourceLinkText != pendingLink)) {
        out << "LK ";
        out.quoted(object->sourceLinkText);
        out << '\n';
        pendingLink = object->sourceLinkText;
    }
    if (object->givenStyle) {
        out << "ST ";
        out.decimal(object->givenStyle->id());
        out << '\n';
    }
}

// A static message or text of a block: its decorations, then the record
// giving its id and name.
void writeStaticRecord(RecordText& out, const char* opcode, const TDFDBObject* object, QString& pendingLink)
{
    writeStaticDecorations(out, object, pendingLink);
    out << opcode;
    out.number(object->id);
    out << ' ';
    out.quoted(object->name);
    out << '\n';
}

// The SI record naming the super instance of the next IN: its id alone in
// the same block, followed by its block's ids otherwise.
void writeSuperInstance(RecordText& out, const TDFDefinitionBlock* block, const TDFDBInstance* super)
{
    out << "SI ";
    out.number(super->id);
    const TDFDefinitionBlock* holder = super->definitionBlock;
    if (holder && holder != block && holder->tcf) {
        for (int i = 0; i < holder->tcf->idLength(); ++i) {
            out << ' ';
            out.number(holder->id(i));
        }
    }
    out << '\n';
}

}

void TDFTextObject::write(TDFWriter& writer)
{
    writer.writeTextReference(this);
}

void TDFDefinitionBlock::write(TDFWriter& writer)
{
    if (!tcf)
        return;
    RecordText out(writer.stream);
    out << "DB ";
    out.quoted(tcf->name());
    out << "\nID";
    for (int i = 0; i < tcf->idLength(); ++i) {
        out << ' ';
        out.number(id(i));
    }
    out << '\n';
    if (source) {
        out << "SO ";
        out.quoted(source->file);
        out << ' ';
        out.decimal(source->date);
        out << (source->type == TDFDBSource::SOURCE_XRD ? " \"xrd\"\n" : " \"txt\"\n");
    }

    QString pendingLink;
    for (TDFDBInstance* instance : instances) {
        if (!instance->instanceType)
            continue;
        if (instance->superInstance)
            writeSuperInstance(out, this, instance->superInstance);
        writeStaticDecorations(out, instance, pendingLink);
        out << "IN ";
        out.quoted(instance->instanceType->name);
        out << ' ';
        out.number(instance->id);
        out << ' ';
        out.quoted(instance->name);
        out << '\n';
    }
    // Messages are kept by id; writing them in id order keeps the output
    // stable.
    std::vector<TDFDBMessage*> byId;
    messages.forEach([&byId](TDFDBMessage* message) { byId.push_back(message); });
    std::sort(byId.begin(), byId.end(), [](const TDFDBMessage* a, const TDFDBMessage* b) { return a->id < b->id; });
    for (TDFDBMessage* message : byId)
        writeStaticRecord(out, "MS ", message, pendingLink);
    for (TDFDBText* text : texts) {
        writeStaticRecord(out, "TX ", text, pendingLink);
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
    ObjectRecords records(writer);
    records.writeNote(this);
    attachTo(records, owner);
}

void TDFGlyph::write(TDFWriter& writer)
{
    if (!ownedByAnInstanceOrNone(owner) || !definition)
        return;
    ObjectRecords records(writer);
    records.writeGlyph(this);
    attachTo(records, owner);
}

void TDFAction::write(TDFWriter& writer)
{
    ObjectRecords records(writer);
    switchToBlockOf(records, model);
    records.writePrefix(this);
    // An action of an empty text or none comes from an action block: AC
    // would take its empty string for no text at all.
    const bool fromBlock = !model && name().isEmpty();
    RecordText& out = records.text;
    out << (fromBlock ? "BA " : "AC ");
    out.textReference(this);
    out << ' ';
    out.number(instance ? instance->id : 0);
    out << '\n';
    if (!fromBlock)
        return;
    // No text at all comes from an inner BA whose text could not be found.
    if (name().isNull()) {
        out << "BA ";
        out.number(writer.idUnknownToCurrentBlock());
        out << '\n';
    }
    out << "EA\n";
}

void TDFSynchronisation::write(TDFWriter& writer)
{
    ObjectRecords records(writer);
    switchToBlockOf(records, model);
    records.writePrefix(this);
    RecordText& out = records.text;
    out << "SY ";
    out.textReference(this);
    if (instances) {
        for (TDFInstance* member : *instances) {
            out << ' ';
            out.number(member ? member->id : 0);
        }
    }
    out << '\n';
}

void TDFInstanceDelete::write(TDFWriter& writer)
{
    TDFDBMessage* returnedModel = messageReturn && messageReturn->message ? messageReturn->message->model : nullptr;
    ObjectRecords records(writer);
    records.writeNote(note);
    switchToBlockOf(records, returnedModel);
    records.writePrefix(this);
    RecordText& out = records.text;
    out << "DI ";
    out.number(instance ? instance->id : 0);
    if (returnedModel) {
        out << ' ';
        out.decimal(returnedModel->id);
    }
    out << '\n';
    if (writer.isCurrent(instance))
        writer.currentInstance = nullptr;
}

void TDFInstanceDeleteAll::write(TDFWriter& writer)
{
    ObjectRecords records(writer);
    records.writeStyle(this);
    records.writeTime(this);
    records.text << "DA\n";
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
        ObjectRecords records(writer);
        switchToBlockOf(records, model);
        records.writePrefix(this);
        RecordText& out = records.text;
        out << "NI ";
        out.number(model->id);
        out << ' ';
        out.number(id);
        if (named) {
            out << ' ';
            out.quoted(name());
        }
        out << '\n';
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
    ObjectRecords records(writer);
    records.changeInstance(sender);
    // A note or glyph without a static text still needs a block to be read
    // in: the message's.
    records.changeDefinitionBlock(block);
    if (note)
        records.writeNote(note);
    else
        records.writeGlyph(glyph);
    records.changeDefinitionBlock(block);
    records.writeLink(this);
    // A completed call took its style at MC, where the style record went.
    if (!call)
        records.writeStyle(this);
    records.writeTime(this);
    RecordText& out = records.text;
    out << "ME ";
    out.number(staticId());
    out << ' ';
    out.number(receiver ? receiver->id : 0);
    if (call) {
        out << ' ';
        out.decimal(call->callId);
    }
    if (!name().isNull()) {
        out << ' ';
        out.quoted(name());
    }
    out << '\n';
    writer.currentInstance = receiver;
}

void TDFMessageCall::write(TDFWriter& writer)
{
    if (!message || !message->model)
        return;
    ObjectRecords records(writer);
    // The reader takes a missing sender field, or 0, as the current
    // instance: a call without sender needs no instance current.
    if (!message->sender)
        records.changeInstance(nullptr);
    switchToBlockOf(records, message->model);
    // The message takes its style at the call.
    records.writeStyle(message);
    records.writeTime(this);
    RecordText& out = records.text;
    out << "MC ";
    out.decimal(callId);
    out << ' ';
    out.decimal(message->model->id);
    if (!writer.isCurrent(message->sender)) {
        out << ' ';
        out.number(message->sender->id);
    }
    out << '\n';
}

void TDFMessageReturn::write(TDFWriter& writer)
{
    // A bare MR would match whatever message is open: without its message
    // a return is not written.
    if (!message || !message->model)
        return;
    ObjectRecords records(writer);
    switchToBlockOf(records, message->model);
    records.writeGlyph(glyph);
    switchToBlockOf(records, message->model);
    records.writePrefix(this);
    RecordText& out = records.text;
    out << "MR ";
    out.number(message->model->id);
    out << '\n';
    writer.currentInstance = message->sender;
}

void TDFNewTrace::write(TDFWriter& writer)
{
    RecordText(writer.stream) << "NT\n";
    writer.forgetContext();
}

void TDFLoopStart::write(TDFWriter& writer)
{
    // A loop is named by the configuration of the block current at its
    // start (a style needs one too); read without a block it has no name.
    ObjectRecords records(writer);
    records.writePrefix(this);
    records.selectBlockForLoop(!name().isNull());
    records.changeInstance(instance);
    RecordText& out = records.text;
    out << "LS ";
    out.decimal(iterations);
    out << '\n';
}

void TDFLoopEnd::write(TDFWriter& writer)
{
    ObjectRecords records(writer);
    records.writePrefix(this);
    records.changeInstance(instance);
    records.text << "LE\n";
}

void TDFExternalTrigger::write(TDFWriter& writer)
{
    ObjectRecords records(writer);
    records.writeTime(this);
    records.text << "ET\n";
}

void TDFTriggerStart::write(TDFWriter& writer)
{
    ObjectRecords records(writer);
    records.changeInstance(instance);
    records.writeTime(this);
    records.text << "GA\n";
}

void TDFTriggerStop::write(TDFWriter& writer)
{
    ObjectRecords records(writer);
    records.changeInstance(instance);
    records.writeTime(this);
    records.text << "GS\n";
}
