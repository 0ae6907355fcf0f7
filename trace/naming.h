#ifndef TDF_NAMING_H
#define TDF_NAMING_H

// Display names of dynamic instances and loops, composed from a configured
// format whose place markers (%1, %2, ...) are filled step by step, or from
// fixed default formats when nothing is configured.

#include "export.h"
#include "list.h"

#include <QString>

class QAResList;

// One step of a naming: a literal text, or a part of the name to fill in.
class TDF_EXPORT NamingOp {
public:
    enum NamingType : int {
        LITERAL = 0,
        D_OCCURENCE = 1,
        STATIC_NAME = 2,
        LOOP_ID = 3,
        LOOP_REPEAT = 4,
        LOOP_NUMBER = 5
    };

    // A LITERAL step with `text`.
    explicit NamingOp(const QString& text);
    // A step of `type` with a null text.
    explicit NamingOp(NamingOp::NamingType type);

    NamingType type;
    QString text;
};

// The steps of a naming, in order. The first step of a parsed naming is the
// format itself and is never used to fill a marker.
class TDF_EXPORT Naming : public List<NamingOp*> {
public:
    Naming() = default;
    ~Naming();

    void setFormat(const QString& format);

    // The name of a dynamic instance: the naming's composition, or
    // "obj<occurrence>:<static name>" without a naming.
    static QString processInstance(Naming* naming, int occurrence, const QString& staticName);
    // The name of a loop: the naming's composition, or
    // "Loop<dotted id>:<repeat>" without a naming.
    static QString processLoop(Naming* naming, int number, const QString& loopId, int repeat);

    QString format;
};

// Parses a naming list (a format string followed by strings and step
// identifiers). Returns a new naming owned by the caller, or null after
// reporting an item that is neither; `listName` names the list in reports.
TDF_EXPORT Naming* _TCFFromResources_Naming(QAResList* list, const char* listName);

#endif
