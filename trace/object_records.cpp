#include "internal/object_records.h"

#include "style.h"
#include "tcf.h"
#include "tdf_db.h"
#include "tdf_objects.h"
#include "tdfwrt.h"

namespace tdf::internal {

ObjectRecords::ObjectRecords(TDFWriter& writer) : writer(writer), text(writer.stream) {}

int ObjectRecords::changeDefinitionBlock(TDFDefinitionBlock* block)
{
    // The reader can't be made to have no block: without one the current
    // block stays.
    if (!block || block == writer.currentBlock)
        return 0;
    announceBlock(block);
    return 1;
}

void ObjectRecords::announceBlock(TDFDefinitionBlock* block)
{
    writer.currentBlock = block;
    if (const TDFDBRef* ref = writer.blockNumbers.searchDefinitionBlock(block)) {
        text << "CS ";
        text.decimal(ref->number);
        text << '\n';
        return;
    }
    writer.blockNumbers.intern(new TDFDBRef{block, writer.nextBlockNumber}, nullptr);
    text << "SF ";
    text.decimal(writer.nextBlockNumber++);
    const int idLength = block->tcf ? block->tcf->idLength() : 0;
    for (int i = 0; i < idLength; ++i) {
        text << ' ';
        text.number(block->id(i));
    }
    text << '\n';
}

int ObjectRecords::changeInstance(TDFInstance* instance)
{
    if (writer.isCurrent(instance))
        return 0;
    writer.currentInstance = instance;
    text << "CI ";
    text.number(instance ? instance->id : 0);
    text << '\n';
    return 1;
}

void ObjectRecords::writeLink(TDFObject* object)
{
    // An empty link of its own hides the link of the object's static
    // model: it is written too.
    if (object->linkText.isNull())
        return;
    text << "LK ";
    text.quoted(object->link());
    text << '\n';
}

void ObjectRecords::writeStyle(TDFObject* object)
{
    const Style* style = object->givenStyle;
    if (!style)
        return;
    // ST is looked up in the configuration of the current block.
    if (!writer.currentBlock)
        changeDefinitionBlock(writer.blockWhere([style](const TDFDefinitionBlock& block) {
            return block.tcf && block.tcf->style(style->id()) == style;
        }));
    text << "ST ";
    text.decimal(style->id());
    text << '\n';
}

void ObjectRecords::writeTime(TDFObject* object)
{
    if (!writer.writeTimes)
        return;
    text << "TM ";
    text.wideNumber(object->time);
    text << '\n';
}

void ObjectRecords::writeNote(TDFNote* note)
{
    if (!note)
        return;
    if (note->model)
        changeDefinitionBlock(note->model->definitionBlock);
    writePrefix(note);
    text << "NO ";
    text.textReference(note);
    // A note on a static text may carry a text of its own as well.
    if (note->model && !note->nameText.isNull()) {
        text << ' ';
        text.quoted(note->nameText);
    }
    text << '\n';
}

void ObjectRecords::writeGlyph(TDFGlyph* glyph)
{
    if (!glyph || !glyph->definition)
        return;
    const Glyph* definition = glyph->definition;
    changeDefinitionBlock(glyph->model ? glyph->model->definitionBlock
                                       : writer.blockWhere([definition](const TDFDefinitionBlock& block) {
                                             return block.tcf && block.tcf->glyph(definition->id) == definition;
                                         }));
    // A glyph takes the pending link but never a style.
    writeLink(glyph);
    writeTime(glyph);
    text << "GL ";
    text.decimal(definition->id);
    if (glyph->model) {
        text << ' ';
        text.decimal(glyph->model->id);
    }
    if (!glyph->nameText.isNull()) {
        text << ' ';
        text.quoted(glyph->nameText);
    }
    text << '\n';
}

void ObjectRecords::selectBlockForLoop(bool named)
{
    if (named) {
        changeDefinitionBlock(
            writer.blockWhere([](const TDFDefinitionBlock& block) { return block.tcf != nullptr; }));
    } else if (writer.readerHasNoBlock && writer.currentBlock) {
        // A CS without number leaves the reader without a block, silently.
        text << "CS\n";
        writer.currentBlock = nullptr;
    }
}

}
