#ifndef TDF_OBJECT_RECORDS_H
#define TDF_OBJECT_RECORDS_H

// Not part of the library's interface: the writer's own.
//
// The records that writing one object makes, context records included, put
// together in one text that reaches the writer's stream in one write when
// the object is done. Each public operation of TDFWriter makes its own, so
// that a client who writes records of its own between them keeps their
// order; the objects' write functions make all their records through one
// and call no client code while records are pending.

#include "internal/record_text.h"

class TDFDefinitionBlock;
class TDFGlyph;
class TDFInstance;
class TDFNote;
class TDFObject;
class TDFWriter;

namespace tdf::internal {

class ObjectRecords {
public:
    explicit ObjectRecords(TDFWriter& writer);
    ObjectRecords(const ObjectRecords&) = delete;
    ObjectRecords& operator=(const ObjectRecords&) = delete;

    // What the TDFWriter operations of the same names write (tdfwrt.h).
    int changeDefinitionBlock(TDFDefinitionBlock* block);
    int changeInstance(TDFInstance* instance);
    void writeLink(TDFObject* object);
    void writeStyle(TDFObject* object);
    void writeTime(TDFObject* object);
    void writeNote(TDFNote* note);
    void writeGlyph(TDFGlyph* glyph);
    void selectBlockForLoop(bool named);

    // The three prefix records: link, style, time.
    void writePrefix(TDFObject* object)
    {
        writeLink(object);
        writeStyle(object);
        writeTime(object);
    }

    TDFWriter& writer;
    RecordText text;

private:
    // Announces a block that is not current.
    void announceBlock(TDFDefinitionBlock* block);
};

}

#endif
