#include "tdfwrt.h"

#include "style.h"
#include "tcf.h"
#include "tdf.h"
#include "tdf_objects.h"

#include "internal/object_records.h"
#include "internal/record_text.h"

#include <ostream>

using tdf::internal::ObjectRecords;
using tdf::internal::RecordText;

namespace {

// Whether two texts are the same, a null one and an empty one not. The
// unit written is mostly the reader's own, shared: its characters are
// where the reader's are.
bool sameText(const QString& a, const QString& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    return (a.constData() == b.constData() && a.size() == b.size()) || a == b;
}

}

TDFWriter::TDFWriter(std::ostream& output) : stream(output), blockNumbers(101) {}

TDFWriter::~TDFWriter()
{
    blockNumbers.forEach([](TDFDBRef* ref) { delete ref; });
}

int TDFWriter::changeDefinitionBlock(TDFDefinitionBlock* block)
{
    return ObjectRecords(*this).changeDefinitionBlock(block);
}

TDFDefinitionBlock* TDFWriter::blockWhere(const std::function<bool(const TDFDefinitionBlock&)>& fits)
{
    if (currentBlock && fits(*currentBlock))
        return currentBlock;
    const TDFDBRef* latest = blockNumbers.latestWhere(fits);
    return latest ? latest->block : nullptr;
}

int TDFWriter::changeInstance(TDFInstance* instance)
{
    return ObjectRecords(*this).changeInstance(instance);
}

void TDFWriter::writeHexa(unsigned long long value)
{
    RecordText(stream).number(value);
}

void TDFWriter::writeQuoted(const QString& text)
{
    RecordText(stream).quoted(text);
}

void TDFWriter::writeTextReference(TDFTextObject* object)
{
    RecordText(stream).textReference(object);
}

void TDFWriter::writeLink(TDFObject* object)
{
    ObjectRecords(*this).writeLink(object);
}

void TDFWriter::writeStyle(TDFObject* object)
{
    ObjectRecords(*this).writeStyle(object);
}

void TDFWriter::writeTime(TDFObject* object)
{
    ObjectRecords(*this).writeTime(object);
}

void TDFWriter::writeNote(TDFNote* note)
{
    ObjectRecords(*this).writeNote(note);
}

void TDFWriter::writeGlyph(TDFGlyph* glyph)
{
    ObjectRecords(*this).writeGlyph(glyph);
}

void TDFWriter::selectBlockForLoop(bool named)
{
    ObjectRecords(*this).selectBlockForLoop(named);
}

void TDFWriter::writeReadLine(const TDF& reader, TDFObject* object)
{
    if (object)
        writeLineObject(reader, object);
    else if (reader.appendedObjects[TDF_GLYPH] > writtenGlyphs)
        writeFreeGlyph(reader.glyphs.last()->value);  // left by a return that found no message
    writtenGlyphs = reader.appendedObjects[TDF_GLYPH];
    writeContextChanges(reader);
}

void TDFWriter::writeLineObject(const TDF& reader, TDFObject* object)
{
    // Read line by line, whatever created an instance came on an earlier
    // line and was written there: an instance writes its NI record only.
    if (TDFInstance* instance = object->toInstance()) {
        instance->writeModelChangment(*this);
        return;
    }
    // A message that creates its receiver comes before the receiver's NI
    // line, and may come without one: it is written where it was read.
    if (TDFMessage* message = object->toMessage(); message && message->receiver &&
                                                     message->receiver->creationMessage == message) {
        TDFInstance* receiver = message->receiver;
        receiver->creationMessage = nullptr;
        message->write(*this);
        receiver->creationMessage = message;
        return;
    }
    readerHasNoBlock = !reader.currentBlock;
    object->write(*this);
    readerHasNoBlock = false;
    if (object->type == TDF_DEFINITION_BLOCK)
        blockWritten = true;
}

void TDFWriter::writeContextChanges(const TDF& reader)
{
    // The first DB fixes the trace's configuration even when its block is
    // discarded: so must one in the output, once that block has ended. (A
    // reader that holds blocks the output lacks was read before the writer
    // started.)
    if (reader.tcf && !blockWritten && !reader.definitionMode && reader.definitionBlocks->count == 0)
        writeDiscardedBlock(*reader.tcf);
    // A block selected by SF counts its static messages, whether or not a
    // record of this trace refers to it.
    TDFDefinitionBlock* selected = reader.currentBlock;
    if (selected && selected != currentBlock && selected->counted && !blockNumbers.searchDefinitionBlock(selected))
        changeDefinitionBlock(selected);
    // A TU that could not be read leaves no unit: so does a bare TU.
    if (!sameText(reader.timeUnitText, writtenTimeUnit)) {
        writtenTimeUnit = reader.timeUnitText;
        writeTimeUnit();
    }
    if (reader.heapSizeSeen && (!heapSizeWritten || reader.heapSize != writtenHeapSize)) {
        writtenHeapSize = reader.heapSize;
        heapSizeWritten = true;
        writeNumberRecord("HS ", writtenHeapSize);
    }
    // The time step goes with the times: without them no time is kept.
    if (writeTimes && reader.minTimeStepSeen && (!timeStepWritten || reader.timeStep != writtenTimeStep)) {
        writtenTimeStep = reader.timeStep;
        timeStepWritten = true;
        writeNumberRecord("TS ", writtenTimeStep);
    }
    // A line reads at most one thread record: the last one.
    if (reader.threadInfos.count > writtenThreadInfos) {
        writtenThreadInfos = reader.threadInfos.count;
        writeThreadInfo(reader.threadInfos.last()->value);
    }
}

void TDFWriter::writeTimeUnit()
{
    RecordText out(stream);
    out << "TU";
    if (!writtenTimeUnit.isNull()) {
        out << ' ';
        out.quoted(writtenTimeUnit);
    }
    out << '\n';
}

void TDFWriter::writeNumberRecord(const char* opcode, unsigned long long value)
{
    RecordText out(stream);
    out << opcode;
    out.wideNumber(value);
    out << '\n';
}

void TDFWriter::writeEnd(const TDF& reader)
{
    if (!reader.definitionMode || !reader.tcf)
        return;
    RecordText out(stream);
    out << "DB ";
    out.quoted(reader.tcf->name());
    out << '\n';
    blockWritten = true;
}

void TDFWriter::writeDiscardedBlock(const TCF& configuration)
{
    RecordText out(stream);
    out << "DB ";
    out.quoted(configuration.name());
    out << "\nED\n";
    blockWritten = true;
}

unsigned long long TDFWriter::idUnknownToCurrentBlock() const
{
    return currentBlock ? currentBlock->firstUnusedId() : 0;
}

void TDFWriter::writeFreeGlyph(TDFGlyph* glyph)
{
    ObjectRecords records(*this);
    records.writeGlyph(glyph);
    // No open message has a model of an id that the current block lacks.
    RecordText& out = records.text;
    out << "MR ";
    out.number(idUnknownToCurrentBlock());
    out << '\n';
}

void TDFWriter::writeThreadInfo(TDFThreadInfo* info)
{
    const ThreadState* state = info->threadState;
    ObjectRecords records(*this);
    // The state is looked up in the configuration of the current block.
    records.changeDefinitionBlock(blockWhere([state](const TDFDefinitionBlock& block) {
        return block.tcf && block.tcf->threadState(state->id) == state;
    }));
    records.writeTime(info);
    RecordText& out = records.text;
    out << "TI ";
    out.number(info->thread->num);
    out << ' ';
    out.number(info->stateId);
    out << ' ';
    out.number(info->priority);
    if (!info->thread->name.isNull()) {
        out << ' ';
        out.quoted(info->thread->name);
    }
    out << '\n';
}

namespace {

// Stands for a current instance that a streaming reader freed: an address
// no instance of the reader can have.
TDFInstance* freedCurrentInstance()
{
    static TDFInstance* const freed = new TDFInstance;
    return freed;
}

}

void TDFWriter::forgetReleased(const TDFObject* object)
{
    if (object != currentInstance || !currentInstance)
        return;
    freedCurrentId_ = currentInstance->id;
    currentInstance = freedCurrentInstance();
}

bool TDFWriter::isCurrent(const TDFInstance* instance) const
{
    if (instance == currentInstance)
        return true;
    // A freed instance comes back by its id as an object of its own, in no
    // list of objects; an instance made since under that id is in one.
    return currentInstance == freedCurrentInstance() && instance && !instance->objectNode &&
           instance->id == freedCurrentId_;
}

void TDFWriter::forgetContext()
{
    blockNumbers.forEach([](TDFDBRef* ref) { delete ref; });
    blockNumbers.clean();
    currentBlock = nullptr;
    currentInstance = nullptr;
    // A new trace starts the reader's context afresh.
    writtenTimeUnit = QString();
    writtenHeapSize = 0;
    heapSizeWritten = false;
    writtenTimeStep = 0;
    timeStepWritten = false;
    writtenThreadInfos = 0;
    writtenGlyphs = 0;
}
