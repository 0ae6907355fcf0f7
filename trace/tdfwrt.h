#ifndef TDF_TDFWRT_H
#define TDF_TDFWRT_H

// Writes a trace object model back as TDF text. Each object writes its own
// records (TDFObject::write); the writer keeps the context they share: the
// current definition block with the short numbers given to blocks (SF, CS)
// and the current instance (CI), written only when they change.

#include "export.h"
#include "tdf_db.h"

#include <QString>

#include <functional>
#include <iosfwd>
#include <unordered_set>
#include <vector>

class TDFGlyph;
class TDFInstance;
class TDFMessage;
class TDFNote;
class TDFObject;
class TDFTextObject;
class TDFThreadInfo;
class TDF;

class TDF_EXPORT TDFWriter {
public:
    explicit TDFWriter(std::ostream& output);
    ~TDFWriter();
    TDFWriter(const TDFWriter&) = delete;
    TDFWriter& operator=(const TDFWriter&) = delete;

    // Makes `block` current, announcing it with SF the first time and CS
    // afterwards; 1 when a record was written. Null changes nothing.
    int changeDefinitionBlock(TDFDefinitionBlock* block);
    // A block in which `fits` holds: the current block, else the newest one
    // written or numbered; null when there is none.
    TDFDefinitionBlock* blockWhere(const std::function<bool(const TDFDefinitionBlock&)>& fits);
    // Makes `instance` (or none) current with a CI record; 1 when written.
    int changeInstance(TDFInstance* instance);

    // A number as the reader reads it: decimal up to 999999, then
    // hexadecimal with a trailing h while it fits 8 digits, then decimal
    // again (up to the ten digits the reader takes).
    void writeHexa(unsigned long long value);
    // Text between double quotes, escaped as the reader unescapes it.
    void writeQuoted(const QString& text);
    // The static text's id, or else the object's name quoted.
    void writeTextReference(TDFTextObject* object);

    // The prefix records of an object: its own link, its own style and,
    // when writeTimes is on, its time. A style needs a block current.
    void writeLink(TDFObject* object);
    void writeStyle(TDFObject* object);
    void writeTime(TDFObject* object);
    // The note or glyph of a message, return or deletion, written before
    // the record that takes it, in a block that holds its text or glyph
    // definition; the caller makes its own block current again.
    void writeNote(TDFNote* note);
    void writeGlyph(TDFGlyph* glyph);
    // Writes what reading a line gave: the object TDF::read returned, if
    // any (an instance that only took another static model records the
    // change, anything else itself), then the context statements the
    // reader took, which return nothing: time unit, heap size and thread
    // changes.
    void writeReadLine(const TDF& reader, TDFObject* object, int modelChange);
    // After a new trace the reader knows no block numbers, no instance and
    // none of the context.
    void forgetContext();
    // Before `block` is defined in the output: announces the blocks written
    // earlier with the same identification that have no number yet, and
    // records `block` as written.
    void announceBlocksReplacedBy(TDFDefinitionBlock* block);
    // A message that created its receiver is written once: by itself or by
    // the instance, whichever comes first. True the first time.
    bool firstWriteOfCreation(const TDFMessage* message);

    std::ostream& stream;
    TDFDBRefHash blockNumbers;
    TDFDefinitionBlock* currentBlock = nullptr;
    TDFInstance* currentInstance = nullptr;
    int nextBlockNumber = 1;
    bool writeTimes = false;

private:
    void writeContextChanges(const TDF& reader);
    void writeThreadInfo(TDFThreadInfo* info);
    // A number of up to 64 bits, as high and low halves past 32 bits.
    void writeWide(unsigned long long value);

    // The reader's context as the output has set it so far.
    QString writtenTimeUnit;
    unsigned long long writtenHeapSize = 0;
    bool heapSizeWritten = false;
    int writtenThreadInfos = 0;

    std::unordered_set<const TDFMessage*> writtenCreations;
    std::vector<TDFDefinitionBlock*> writtenBlocks;
};

#endif
