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
    if (block == currentBlock)
        return 0;
    currentBlock = block;
    if (!block)
        return 0;
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

int TDFWriter::changeInstance(TDFInstance* instance)
{
    if (instance == currentInstance)
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
    if (object->linkText.isEmpty())
        return;
    stream << "LK ";
    writeQuoted(object->link());
    stream << '\n';
}

void TDFWriter::writeStyle(TDFObject* object)
{
    if (!object->givenStyle)
        return;
    stream << "ST " << object->style()->id() << '\n';
}

void TDFWriter::writeTime(TDFObject* object)
{
    if (!writeTimes)
        return;
    stream << "TM ";
    writeHexa(object->time >> 32 ? object->time >> 32 : object->time);
    // Times past 32 bits go in the high and low halves the reader adds up.
    if (object->time >> 32) {
        stream << ' ';
        writeHexa(object->time & largestHexadecimal);
    }
    stream << '\n';
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
    if (glyph->model)
        changeDefinitionBlock(glyph->model->definitionBlock);
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

bool TDFWriter::firstWriteOfCreation(const TDFMessage* message)
{
    return writtenCreations.insert(message).second;
}

void TDFWriter::writeReadObject(TDFObject* object, int modelChange)
{
    TDFInstance* instance = object->toInstance();
    if (instance && modelChange == TDF::MODEL_CHANGED)
        instance->writeModelChangment(*this);
    else
        object->write(*this);
}

void TDFWriter::announceBlocksReplacedBy(TDFDefinitionBlock* block)
{
    const int idLength = block->tcf ? block->tcf->idLength() : 0;
    for (TDFDefinitionBlock* written : writtenBlocks)
        if (written->cmpId(block->ids, idLength) && !blockNumbers.searchDefinitionBlock(written))
            changeDefinitionBlock(written);
    writtenBlocks.push_back(block);
}

void TDFWriter::forgetContext()
{
    blockNumbers.forEach([](TDFDBRef* ref) { delete ref; });
    blockNumbers.clean();
    currentBlock = nullptr;
    currentInstance = nullptr;
}
