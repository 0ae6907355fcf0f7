#ifndef TDF_TDF_H
#define TDF_TDF_H

// The reader of trace data files. Every line is one statement opening with
// a two-letter opcode; the reader turns the lines into definition blocks
// (the static model) and a time-ordered sequence of trace objects, which it
// owns until it is reset or destroyed. Problems are reported through Error
// with the file name and line number, and reading always goes on with the
// next line.
//
// By default the reader keeps every object until it is reset. A client
// that looks at each line's result as it reads (a checker, a converter, a
// summary) may turn on streaming instead: the reader then frees each object
// as soon as no later line can reach it, so that memory follows what the
// trace keeps alive, not its length. See setStreaming().

#include "export.h"
#include "id_hash.h"
#include "list.h"
#include "tdf_db.h"
#include "tdf_objects.h"
#include "tdf_time.h"

#include <QString>

#include <array>
#include <cstdio>
#include <functional>
#include <vector>

class QTextCodec;
class Style;
class TCF;
class TCFList;
class TDFFactory;

// Binds an SF number to a definition block.
struct TDF_EXPORT TDF_USE_DBTraceId {
    TDFDefinitionBlock* block;
    unsigned long long number;
};

// The SF bindings by number, the newest found first.
extern template class TDF_EXPORT IdHash<TDF_USE_DBTraceId, &TDF_USE_DBTraceId::number>;
class TDF_EXPORT TDF_USE_DBTraceIdHash : public IdHash<TDF_USE_DBTraceId, &TDF_USE_DBTraceId::number> {
public:
    using IdHash::IdHash;
};

// The reader: turns TDF lines into definition blocks and trace objects.
class TDF_EXPORT TDF {
public:
    // What an NI line did to an instance's model.
    enum ModelChangment : int { MODEL_UNCHANGED = 0, MODEL_SET = 1, MODEL_CHANGED = 2 };

    // Lines are read in chunks of at most this many bytes; a longer line is
    // split and its rest handled as a further line.
    static constexpr int lineBufferSize = 64000;
    // Loops nest at most this deep: a deeper LS is reported and dropped,
    // and so, silently, is the LE that ends it. A loop's dotted id (and the
    // name made from it) grows with its depth, so that the ids of the open
    // loops take memory in the square of the depth.
    static constexpr int loopNestingLimit = 1000;

    explicit TDF(TCFList* list);
    ~TDF();
    TDF(const TDF&) = delete;
    TDF& operator=(const TDF&) = delete;

    void setFactory(TDFFactory* factory);
    // The installed factory, or the process-wide default one.
    TDFFactory* factory();
    // Makes the reader use (and add its finished blocks to) the caller's
    // list; the reader then never deletes a definition block.
    void setDefinitionBlockList(TDFDefinitionBlockList& blocks);
    void setTDFFileName(const QString& name);
    void setTimeFormat(const QString& format) { timeFormat = format; }

    // Streaming, set before the first line. An object that `read` returns,
    // and what it points at, stays valid until the next `read` or `reset`;
    // after that the reader frees it unless a later line can still reach
    // it: an instance until it is deleted and no kept object names it, a
    // message until it is returned (or at once when no return can take
    // it), a loop start until its end. Thread records, calls with their
    // messages, new-trace and trigger markers are kept. An open message
    // that is no longer among the 32 newest of its thread and block, made
    // by the library's own factory, and that carries no more than its
    // instances, model, time, heap size and count of models used (no name,
    // link, style, note, glyph, call or thread record, and not the message
    // that created its receiver), is kept in a compact form of its own
    // instead: the return that takes it gets an equal message, made anew
    // and listed last. The lists hold only what is kept as objects
    // (appendedObjects counts everything), and openMessages stays empty:
    // the open messages are in an index of the reader's own. Where a kept
    // object pointed at a freed one:
    //  - a deleted instance's `deletion` is a shared stand-in deletion;
    //  - an instance named again after it was freed (CI, DI, MC, AC, SY)
    //    comes back with its id, model, occurrence and name;
    //  - a deletion naming a return gets a stand-in return of that time
    //    whose message has the model;
    //  - `previous`, loops' `firstObject` and `lastObject` are not kept,
    //    and an activation record keeps only whether a bar is open (the
    //    parity of its count), not its events.
    void setStreaming(bool on);
    bool isStreaming() const { return streaming_ != nullptr; }
    // Keeps a streamed instance until the reset, for a client that shows it
    // at the end.
    void keepInstance(TDFInstance* instance);
    // Called with each object the streaming reader frees, just before.
    using ReleaseObserver = std::function<void(TDFObject* object)>;
    void setReleaseObserver(const ReleaseObserver& observer);
    // The instance known under a dynamic id (the newest), or null.
    TDFInstance* findInstance(unsigned long long id);
    // The time in the client's format and the trace's unit; without a format
    // that applies, the count followed by the unit as the trace wrote it.
    QString strTime(const unsigned long long& time) const;
    // The same for a trace read in `unit` (its TU token `unitText`, null
    // without one) and shown in `format`.
    static QString strTime(const QString& format, TDFTimeUnitType unit, const QString& unitText,
                           unsigned long long time);

    // Handles one line (NUL-terminated) and returns the object it created,
    // if any. `changed` is set to true by a statement that created or
    // completed an object; `change` tells what an NI line did.
    TDFObject* read(const char* line, bool* changed, TDF::ModelChangment* change);
    // Reads a whole file, continuing the current trace; false (after a
    // report) when the file can't be opened or a read fails (the lines
    // before the failure have been handled). Beside what `read` reports, it
    // warns of each line that holds a NUL byte and of the file's first
    // carriage return with text after it (CR-only line ends), and reports
    // a block still open at the end (reportOpenBlocks).
    bool readFile(const QString& name);
    // The same, handing each line with what `read` made of it to `onLine`.
    // A line is NUL-terminated; one that holds a NUL byte (reported with a
    // warning) reads only up to it, and bytesRead tells its whole length.
    using LineHandler = std::function<void(const char* line, TDFObject* object, TDF::ModelChangment change)>;
    bool readFile(const QString& name, const LineHandler& onLine);
    // The same from a stream the caller opened and closes, such as stdin;
    // `name` stands for it in reports.
    bool readStream(std::FILE* stream, const QString& name, const LineHandler& onLine);
    // The same two with a plain function, called with `context` (the
    // client's state) beside each line: for a client that reads many
    // lines, such as a checker, this spares each of them the indirection
    // of a std::function. A null function is not called.
    using LineFunction = void (*)(void* context, const char* line, TDFObject* object, TDF::ModelChangment change);
    bool readFile(const QString& name, LineFunction onLine, void* context);
    bool readStream(std::FILE* stream, const QString& name, LineFunction onLine, void* context);
    // At the end of the input: reports a definition block (DB without ED)
    // or action block (BA without EA) still open, once per block, at the
    // current line. The reader stays in the block, so that further input
    // continues it. readFile and readStream call it when their input ends;
    // a client that hands the lines to `read` itself calls it at its end.
    void reportOpenBlocks();
    // Destroys every object; the definition blocks are kept when
    // `keepBlocks` or when they are shared.
    void reset(bool keepBlocks);
    void appendObject(TDFObject* object);

    // Report at the current file and line, within the error limit and
    // unless resynchronising.
    void error(const QString& text);
    void warning(const QString& text);
    // Reports a statement error given by its source text (context "Error").
    void reportError(const char* text);

    // Lexemes. Each advances the cursor over what it consumed. Every line
    // reads some, so the usual forms (a decimal number, an absent string)
    // are read inline, and the others out of line.
    static bool isWhite(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    static void readWhite(const char** cursor)
    {
        while (isWhite(**cursor))
            ++*cursor;
    }
    inline bool readNumber(const char** cursor, unsigned long long* value);
    inline bool readString(const char** cursor, QString& result, bool optional);

    // Definition blocks and context statements.
    void readDB(const char* text);
    void readID(const char* text);
    void readSO(const char* text);
    void readSI(const char* text);
    void readIN(const char* text);
    void readMS(const char* text);
    void readTX(const char* text);
    void readLK(const char* text);
    void readST(const char* text);
    void readSF(const char* text);
    void readCS(const char* text);
    void readTU(const char* text);
    void readTM(const char* text);
    void readTS(const char* text);
    void readHS(const char* text);
    void readTI(const char* text);
    TDFNewTrace* readNT(const char* text);
    TDFDefinitionBlock* readED(const char* text, bool* changed);

    // Instance and message events.
    TDFInstance* readNI(const char* text, bool* changed, TDF::ModelChangment* change);
    TDFObject* readCI(const char* text, bool* changed);
    TDFObject* readDI(const char* text, bool* changed);
    TDFObject* readDA(const char* text, bool* changed);
    TDFObject* readMC(const char* text, bool* changed);
    TDFObject* readME(const char* text, bool* changed);
    TDFObject* readMR(const char* text, bool* changed);

    // Actions, synchronisations and triggers.
    TDFObject* readAC(const char* text, bool* changed);
    void readBA(const char* text);
    TDFObject* readEA(const char* text, bool* changed);
    TDFObject* readSA(const char* text, bool* changed);
    TDFObject* readSY(const char* text, bool* changed);
    TDFObject* readET(const char* text, bool* changed);
    TDFObject* readGA(const char* text, bool* changed);
    TDFObject* readGS(const char* text, bool* changed);

    // Loops, notes and glyphs.
    TDFObject* readLS(const char* text, bool* changed);
    TDFObject* readLE(const char* text, bool* changed);
    bool readNO(const char* text);
    bool readGL(const char* text);

    // ---- Reader state ----
    TDFFactory* objectFactory = nullptr;  // not owned
    TCFList* tcfList;                     // not owned
    TCF* tcf = nullptr;                   // the configuration named by the first DB
    TDFDefinitionBlockList* definitionBlocks;  // finished blocks, newest first
    bool sharedDefinitionBlocks = false;
    TDF_USE_DBTraceIdHash sfBlocks;
    TDFDefinitionBlock* currentBlock = nullptr;   // the block events refer to (SF, CS)
    TDFDefinitionBlock* definingBlock = nullptr;  // between DB and ED; owned
    bool definitionMode = false;
    TDFDBInstance* pendingSuperInstance = nullptr;

    List<TDFObject*> objects;  // every trace object, in creation order; owned
    // The objects appended since the reset, by kind (TDFObjectType);
    // streaming frees objects but leaves these counts whole.
    std::array<unsigned long long, TDF_EXTERNAL_TRIGGER + 1> appendedObjects{};
    unsigned long long appendedObjectTotal() const;
    TDFInstanceList instances;
    TDFInstanceHash instanceHash;
    List<TDFMessage*> messages;
    List<TDFMessageCall*> messageCalls;
    List<TDFMessageReturn*> messageReturns;
    List<TDFInstanceDeleteAbstract*> instanceDeletes;
    List<TDFMessage*> openMessages;
    List<TDFNote*> notes;
    List<TDFGlyph*> glyphs;
    List<TDFAction*> actions;
    List<TDFSynchronisation*> synchronisations;
    List<TDFThreadInfo*> threadInfos;
    List<TDFThread*> threads;  // owned
    List<TDFLoopStart*> loopStarts;
    List<TDFLoopEnd*> loopEnds;
    List<TDFLoopStart*> openLoops;
    std::vector<int> loopIterations{1};
    std::vector<QString> openLoopIds;  // the dotted ids of the open loops, outermost first
    unsigned long long loopCount = 0;
    bool attachToLoopStart = false;

    Style* pendingStyle = nullptr;  // not owned
    QString pendingLink;
    unsigned long long pendingLinkId = 0;
    TDFNote* pendingNote = nullptr;    // owned until attached
    TDFGlyph* pendingGlyph = nullptr;  // owned until attached
    TDFInstance* currentInstance = nullptr;

    unsigned long long currentTime = 0;
    unsigned long long timeStep = 0;
    unsigned long long firstTime = 0;
    unsigned long long minTime = 0;
    bool timeSeen = false;
    bool minTimeSeen = false;
    unsigned long long minTimeStep = ~0ULL;
    bool minTimeStepSeen = false;
    QString timeUnitText;  // the TU token as read; null before any TU
    TDFTimeUnitType timeUnit = UNIT_NONE;
    QString timeFormat;
    unsigned long long heapSize = 0;
    unsigned long long maxHeapSize = 0;
    bool heapSizeSeen = false;
    int staticMessageTotal = 0;

    int threadColorCounter = 0;
    TDFThread* runningThread = nullptr;
    ListNode<TDFThreadInfo*>* runningThreadInfo = nullptr;
    ListNode<TDFThreadInfo*>* pendingThreadInfo = nullptr;

    TDFObject* externalTrigger = nullptr;
    TDFObject* triggerStart = nullptr;
    TDFObject* triggerStop = nullptr;

    bool actionBlockMode = false;
    unsigned long long actionBlockDepth = 0;
    QString actionBlockText;
    TDFDBText* actionBlockTextModel = nullptr;
    TDFInstance* actionBlockInstance = nullptr;

    QTextCodec* textCodec = nullptr;  // decoder of strings; null means UTF-8
    QString fileName;
    unsigned long long lineNumber = 0;
    // The bytes of the lines readFile and readStream handed to `read` since
    // the file name was set, line feeds and NUL bytes included; the line a
    // LineHandler is given is counted.
    unsigned long long bytesRead = 0;
    int errorCount = 0;
    bool skipping = false;
    // The line that started the skipping, numbered as the current file's
    // lines are: below 1 when it was in an earlier file.
    long long skipStartLine = 0;

    bool trackActivations = true;
    int usedMessageModels = 0;
    unsigned long long modelessCount = 0;  // occurrence counter of modeless instances; never reset

private:
    // readNumber and readString for what they don't read inline.
    bool readAnyNumber(const char** cursor, unsigned long long* value);
    bool readQuotedString(const char** cursor, QString& result);
    // Configuration ids (styles, thread states, glyphs) are ints: a larger
    // number names none rather than a truncated one.
    static bool isConfigurationId(unsigned long long number) { return number <= 0x7FFFFFFF; }
    // Reports a definition error and makes the block being defined invalid.
    void invalidateBlock(const char* text);
    // Clears the resynchronisation state with its warning.
    void restartAnalyzing();
    // The line of the DB and of the outermost BA of the blocks open, until
    // they end or reportOpenBlocks reports them; 0 for none.
    unsigned long long openDefinitionBlockLine = 0;
    unsigned long long openActionBlockLine = 0;
    // The two halves of `read`: counting a line, then handling it.
    void beginLine(TDF::ModelChangment* change);
    TDFObject* handleLine(const char* line, bool* changed, TDF::ModelChangment* change);
    // The LS lines dropped past the nesting limit whose LE is still to come.
    unsigned long long droppedLoopLevels = 0;
    // Reads "N" or "N low" (high and low halves).
    bool readWideNumber(const char** cursor, unsigned long long* value);
    // Gives a new static object the pending style and source line.
    void decorateStaticObject(TDFDBObject* object);
    void destroyPendingAnnotations();
    void placeTrigger(TDFObject* trigger, bool* changed);

    // Calls are never forgotten, so a completion looks only at the calls
    // of its call id, newest first, instead of at every call of the trace.
    struct CallIndex;
    CallIndex* callIndex = nullptr;  // owned; made by the first MC, dropped by reset
    void indexCall(TDFMessageCall* call);
    // Drops the call, return and open message indexes (a reset empties the lists).
    void dropEventIndexes();
    // The message that a completion line (ME with a call id) completes,
    // after reporting every call of that id that doesn't fit; null when the
    // line is rejected.
    TDFMessage* messageToComplete(unsigned long long callId, unsigned long long staticId);

    // Returns by static message id, so that a deletion finds the newest
    // return of its message that caused no deletion yet without a walk over
    // every return.
    struct ReturnIndex;
    ReturnIndex* returnIndex = nullptr;  // owned; made by the first deletion naming a message, dropped by reset
    void indexReturn(TDFMessageReturn* messageReturn);
    TDFMessageReturn* returnWithoutDeletion(unsigned long long staticId);

    // Open messages by thread, block and static message (see the
    // definition), so that a return finds its message without a walk.
    struct OpenMessageIndex;
    OpenMessageIndex* openMessageIndex = nullptr;  // owned; made by the first return, dropped by reset
    // The message that a return takes, no longer open, or null.
    TDFMessage* openMessageToReturn(bool byModel, unsigned long long staticId);

    // The thread records of the running state, in reading order, and the
    // position of runningThreadInfo among them: when a thread leaves the
    // running state, control goes back to the one before (or, wrapping, the
    // last one), without a walk over every thread record.
    std::vector<ListNode<TDFThreadInfo*>*> runningInfos;
    size_t runningPosition = 0;

    // The instances SA looks at, in creation order: every instance except
    // those an earlier SA found deleted (a deleted instance stays deleted),
    // so that SA does not walk over every instance of the trace.
    std::vector<TDFInstance*> undeletedInstances;
    ListNode<TDFInstance*>* lastListedInstance = nullptr;  // the newest instance in undeletedInstances
    // Appends to `members` the instances not deleted.
    void addUndeletedInstances(TDFInstanceList& members);

    TDFDefinitionBlockList ownDefinitionBlocks;

    // What streaming keeps beside the lists (tdf_streaming.cpp).
    struct Streaming;
    Streaming* streaming_ = nullptr;  // owned; null unless streaming
    // Streaming: the freed instance known under `id`, made again, or null.
    TDFInstance* bringBackFreedInstance(unsigned long long id);
    // Streaming bookkeeping of the events that name instances and of what
    // may go (useInstance and mayRelease are inline, in the reader's own
    // bookkeeping header).
    void useInstance(TDFInstance* instance);
    void countExtraUse(TDFInstance* instance);
    void mayRelease(TDFObject* object);
    // appendObject, inline for the statement handlers (in the bookkeeping
    // header too): every event line appends an object.
    void appendObjectInline(TDFObject* object);
    // Streaming: returns are remembered by static message id and time; a
    // deletion that names one gets a stand-in, null when none is left.
    void rememberReturn(const TDFMessageReturn* messageReturn);
    TDFMessageReturn* streamedReturnWithoutDeletion(unsigned long long staticId);
    // Streaming: open messages, the older ones kept in a compact form.
    void keepStreamedOpenMessage(TDFMessage* message);
    TDFMessage* takeStreamedOpenMessage(bool byModel, unsigned long long staticId);
    void clearStreaming();
    // Records control entering or leaving an instance; streaming keeps the
    // record's count, not the events it would point at.
    void followControl(TDFInstance* instance, TDFObject* event, bool gainsControl);
};

// A decimal number of at most ten significant digits, ended by a white
// character (consumed) or the end of the text, is read here; anything else
// by the scanner of every form.
bool TDF::readNumber(const char** cursor, unsigned long long* value)
{
    const char* at = *cursor;
    while (*at == '0')
        ++at;
    const char* significant = at;
    unsigned long long number = 0;
    constexpr unsigned long long zero = '0';
    for (unsigned long long digit; (digit = static_cast<unsigned char>(*at) - zero) <= 9; ++at)
        number = number * 10 + digit;
    const char end = *at;
    if (at != *cursor && at - significant <= 10 && (end == '\0' || isWhite(end))) {
        *value = number;
        *cursor = end != '\0' ? at + 1 : at;
        return true;
    }
    if (**cursor == '\0')
        return false;
    return readAnyNumber(cursor, value);
}

// An absent string leaves a null result as it is: most lines have no
// string to read, and then no QString is touched.
bool TDF::readString(const char** cursor, QString& result, bool optional)
{
    if (**cursor != '"') {
        result.clear();
        return optional;
    }
    return readQuotedString(cursor, result);
}

#endif
