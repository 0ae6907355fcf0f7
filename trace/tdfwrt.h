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

class TDFGlyph;
class TDFInstance;
class TDFMessage;
class TDFNote;
class TDFObject;
class TDFTextObject;
class TDFThreadInfo;
class TCF;
class TDF;

namespace tdf::internal {
class ObjectRecords;
}

// Writes trace objects as TDF records to an output stream.
class TDF_EXPORT TDFWriter {
public:
    explicit TDFWriter(std::ostream& output);
    ~TDFWriter();
    TDFWriter(const TDFWriter&) = delete;
    TDFWriter& operator=(const TDFWriter&) = delete;

    // Makes `block` current, announcing it with SF the first time and CS
    // afterwards; 1 when a record was written. Null changes nothing.
    int changeDefinitionBlock(TDFDefinitionBlock* block);
    // A block in which `fits` holds: the current block, else the one
    // numbered last; null when there is none.
    TDFDefinitionBlock* blockWhere(const std::function<bool(const TDFDefinitionBlock&)>& fits);
    // Before a loop start: a named loop needs a block with a configuration
    // current, one that the reader read without a block needs none.
    void selectBlockForLoop(bool named);
    // The smallest static id that no object of the current block has: a
    // statement naming it fails, as the statement written for a failed one
    // must.
    unsigned long long idUnknownToCurrentBlock() const;
    // Makes `instance` (or none) current with a CI record; 1 when written.
    int changeInstance(TDFInstance* instance);
    // Whether the output has `instance` (or none) current.
    bool isCurrent(const TDFInstance* instance) const;

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
    // any, then what the line changed in the reader without returning an
    // object, so that the rewrite reads as the same model: a block
    // selection, the time unit, heap size, time step (with times) and thread
    // records, a glyph that a failed return left free, and the trace's
    // configuration when the block that chose it was discarded. Use it in place
    // of write() for a client that writes each line's result as it reads;
    // write() serves a client that walks the reader's objects.
    void writeReadLine(const TDF& reader, TDFObject* object);
    // After the last line, with writeReadLine: what the end of the input
    // leaves the reader in that a line did not return. An input that ends
    // inside a definition block ends inside one of its configuration, which
    // the trace takes when it is its first.
    void writeEnd(const TDF& reader);
    // After a new trace the reader knows no block numbers, no instance and
    // none of the context.
    void forgetContext();
    // A streaming reader freed `object` (see TDF::setReleaseObserver):
    // when it was the current instance, only that instance brought back by
    // its id is still current, not another made at the same address.
    void forgetReleased(const TDFObject* object);

    std::ostream& stream;
    TDFDBRefHash blockNumbers;
    TDFDefinitionBlock* currentBlock = nullptr;
    TDFInstance* currentInstance = nullptr;
    int nextBlockNumber = 1;
    bool writeTimes = false;

private:
    // The records of the objects' write functions, put together in one
    // text for each object, reach the context kept here.
    friend class tdf::internal::ObjectRecords;

    void writeLineObject(const TDF& reader, TDFObject* object);
    void writeContextChanges(const TDF& reader);
    void writeTimeUnit();
    // A record of `opcode` followed by a number of up to 64 bits.
    void writeNumberRecord(const char* opcode, unsigned long long value);
    void writeThreadInfo(TDFThreadInfo* info);
    // A glyph that a return left free is read again as one: the glyph, then
    // a return that finds no message.
    void writeFreeGlyph(TDFGlyph* glyph);
    // A block of `configuration` that the reader discards (it has no ID),
    // yet which makes the configuration the trace's when it is the first.
    void writeDiscardedBlock(const TCF& configuration);

    // The reader's context as the output has set it so far.
    QString writtenTimeUnit;
    unsigned long long writtenHeapSize = 0;
    bool heapSizeWritten = false;
    unsigned long long writtenTimeStep = 0;
    bool timeStepWritten = false;
    int writtenThreadInfos = 0;
    bool blockWritten = false;  // a DB line, which fixes the trace's configuration
    unsigned long long writtenGlyphs = 0;
    unsigned long long freedCurrentId_ = 0;  // the id of the current instance a streaming reader freed
    // The line being written was read without a current block (writeReadLine
    // only; write() can't know).
    bool readerHasNoBlock = false;
};

#endif
