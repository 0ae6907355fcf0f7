#include "tdfwrt.h"

#include "style.h"
#include "tcf.h"
#include "tdf.h"
#include "tdf_objects.h"

#include <charconv>
#include <ostream>

namespace {

// The largest value of each number form the reader takes.
const unsigned long long largestDecimalShortForm = 999999;
const unsigned long long largestHexadecimal = 0xFFFFFFFFULL;

}

TDFWriter::TDFWriter(std::ostream& output) : stream(output), blockNumbers(101) {}

TDFWriter::~TDFWriter()
{
    blockNumbers.forEach([](TDFDBRef* ref) { delete ref; });
}

int TDFWriter::changeDefinitionBlock(TDFDefinitionBlock* block)
{
    // The reader can't be made to have no block: without one the current
    // block stays.
    if (!block || block == currentBlock)
        return 0;
    currentBlock = block;
    if (const TDFDBRef* ref = blockNumbers.searchDefinitionBlock(block)) {
        stream << "CS " << ref->number << '\n';
        return 1;
    }
    blockNumbers.intern(new TDFDBRef{block, nextBlockNumber}, nullptr);
    stream << "SF " << nextBlockNumber++;
    const int idLength = block->tcf ? block->tcf->idLength() : 0;
    for (int i = 0; i < idLength; ++i) {
        stream << ' ';
        writeHexa(block->id(i));
    }
    stream << '\n';
    return 1;
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
    if (isCurrent(instance))
        return 0;
    currentInstance = instance;
    stream << "CI ";
    writeHexa(instance ? instance->id : 0);
    stream << '\n';
    return 1;
}

// Numbers are most of a trace's text: they are formatted here rather than
// by the stream's locale-aware formatting, which costs several times as
// much (and whose digit grouping, under another locale, no reader takes).
void TDFWriter::writeHexa(unsigned long long value)
{
    char digits[24];
    char* end;
    if (value <= largestDecimalShortForm || value > largestHexadecimal) {
        end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    } else {
        // Every number starts with a decimal digit, so that it can't be
        // taken for the h-first form.
        digits[0] = '0';
        char* hexadecimal = digits + 1;
        end = std::to_chars(hexadecimal, digits + sizeof digits - 1, value, 16).ptr;
        *end++ = 'h';
        if (*hexadecimal <= '9') {
            stream.write(hexadecimal, end - hexadecimal);
            return;
        }
    }
    stream.write(digits, end - digits);
}

void TDFWriter::writeQuoted(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    stream << '"';
    for (char c : bytes) {
        // A trace line can hold neither a line feed nor a NUL byte.
        if (c == '\n' || c == '\0')
            c = ' ';
        else if (c == '"' || c == '\\')
            stream << '\\';
        stream << c;
    }
    stream << '"';
}

void TDFWriter::writeTextReference(TDFTextObject* object)
{
    if (object->model)
        stream << object->model->id;
    else
        writeQuoted(object->name());
}

void TDFWriter::writeLink(TDFObject* object)
{
    // An empty link of its own hides the link of the object's static
    // model: it is written too.
    if (object->linkText.isNull())
        return;
    stream << "LK ";
    writeQuoted(object->link());
    stream << '\n';
}

void TDFWriter::writeStyle(TDFObject* object)
{
    const Style* style = object->givenStyle;
    if (!style)
        return;
    // ST is looked up in the configuration of the current block.
    if (!currentBlock)
        changeDefinitionBlock(blockWhere([style](const TDFDefinitionBlock& block) {
            return block.tcf && block.tcf->style(style->id()) == style;
        }));
    stream << "ST " << style->id() << '\n';
}

void TDFWriter::writeTime(TDFObject* object)
{
    if (!writeTimes)
        return;
    stream << "TM ";
    writeWide(object->time);
    stream << '\n';
}

void TDFWriter::writeWide(unsigned long long value)
{
    // Values past 32 bits go in the high and low halves the reader adds up.
    writeHexa(value >> 32 ? value >> 32 : value);
    if (value >> 32) {
        stream << ' ';
        writeHexa(value & largestHexadecimal);
    }
}

void TDFWriter::writeNote(TDFNote* note)
{
    if (!note)
        return;
    if (note->model)
        changeDefinitionBlock(note->model->definitionBlock);
    writeLink(note);
    writeStyle(note);
    writeTime(note);
    stream << "NO ";
    writeTextReference(note);
    // A note on a static text may carry a text of its own as well.
    if (note->model && !note->nameText.isNull()) {
        stream << ' ';
        writeQuoted(note->nameText);
    }
    stream << '\n';
}

void TDFWriter::writeGlyph(TDFGlyph* glyph)
{
    if (!glyph || !glyph->definition)
        return;
    const Glyph* definition = glyph->definition;
    changeDefinitionBlock(glyph->model ? glyph->model->definitionBlock
                                       : blockWhere([definition](const TDFDefinitionBlock& block) {
                                             return block.tcf && block.tcf->glyph(definition->id) == definition;
                                         }));
    // A glyph takes the pending link but never a style.
    writeLink(glyph);
    writeTime(glyph);
    stream << "GL " << glyph->definition->id;
    if (glyph->model)
        stream << ' ' << glyph->model->id;
    if (!glyph->nameText.isNull()) {
        stream << ' ';
        writeQuoted(glyph->nameText);
    }
    stream << '\n';
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
    if (reader.timeUnitText.isNull() != writtenTimeUnit.isNull() || reader.timeUnitText != writtenTimeUnit) {
        writtenTimeUnit = reader.timeUnitText;
        stream << "TU";
        if (!writtenTimeUnit.isNull()) {
            stream << ' ';
            writeQuoted(writtenTimeUnit);
        }
        stream << '\n';
    }
    if (reader.heapSizeSeen && (!heapSizeWritten || reader.heapSize != writtenHeapSize)) {
        writtenHeapSize = reader.heapSize;
        heapSizeWritten = true;
        stream << "HS ";
        writeWide(writtenHeapSize);
        stream << '\n';
    }
    // The time step goes with the times: without them no time is kept.
    if (writeTimes && reader.minTimeStepSeen && (!timeStepWritten || reader.timeStep != writtenTimeStep)) {
        writtenTimeStep = reader.timeStep;
        timeStepWritten = true;
        stream << "TS ";
        writeWide(writtenTimeStep);
        stream << '\n';
    }
    // A line reads at most one thread record: the last one.
    if (reader.threadInfos.count > writtenThreadInfos) {
        writtenThreadInfos = reader.threadInfos.count;
        writeThreadInfo(reader.threadInfos.last()->value);
    }
}

void TDFWriter::writeEnd(const TDF& reader)
{
    if (!reader.definitionMode || !reader.tcf)
        return;
    stream << "DB ";
    writeQuoted(reader.tcf->name());
    stream << '\n';
    blockWritten = true;
}

void TDFWriter::writeDiscardedBlock(const TCF& configuration)
{
    stream << "DB ";
    writeQuoted(configuration.name());
    stream << "\nED\n";
    blockWritten = true;
}

void TDFWriter::selectBlockForLoop(bool named)
{
    if (named) {
        changeDefinitionBlock(blockWhere([](const TDFDefinitionBlock& block) { return block.tcf != nullptr; }));
    } else if (readerHasNoBlock && currentBlock) {
        // A CS without number leaves the reader without a block, silently.
        stream << "CS\n";
        currentBlock = nullptr;
    }
}

unsigned long long TDFWriter::idUnknownToCurrentBlock() const
{
    return currentBlock ? currentBlock->firstUnusedId() : 0;
}

void TDFWriter::writeFreeGlyph(TDFGlyph* glyph)
{
    writeGlyph(glyph);
    // No open message has a model of an id that the current block lacks.
    stream << "MR ";
    writeHexa(idUnknownToCurrentBlock());
    stream << '\n';
}

void TDFWriter::writeThreadInfo(TDFThreadInfo* info)
{
    const ThreadState* state = info->threadState;
    // The state is looked up in the configuration of the current block.
    changeDefinitionBlock(blockWhere([state](const TDFDefinitionBlock& block) {
        return block.tcf && block.tcf->threadState(state->id) == state;
    }));
    writeTime(info);
    stream << "TI ";
    writeHexa(info->thread->num);
    stream << ' ';
    writeHexa(info->stateId);
    stream << ' ';
    writeHexa(info->priority);
    if (!info->thread->name.isNull()) {
        stream << ' ';
        writeQuoted(info->thread->name);
    }
    stream << '\n';
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
