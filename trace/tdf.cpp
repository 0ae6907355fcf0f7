#include "tdf.h"

#include "error.h"
#include "internal/line_splitter.h"
#include "internal/tdf_bookkeeping.h"
#include "tdf_factory.h"

#include <QCoreApplication>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace tdf::internal;

namespace {

// The opcode value of two characters, taken as signed bytes.
constexpr int opcode(char first, char second)
{
    return static_cast<signed char>(first) * 256 + static_cast<signed char>(second);
}

template <class T>
void deleteValues(List<T*>& list)
{
    for (T* value : list)
        delete value;
}

// A file that can't be opened or read: reported without a position, since
// no line of it is concerned, with the system's reason.
void reportFileFailure(const char* text, const QString& name, int reason)
{
    Error::error(QCoreApplication::translate("Load TDF", text, "%1 is the file name, %2 the system's reason")
                     .arg(name, QString::fromLocal8Bit(std::strerror(reason))),
                 QString(), 0, 0);
}

// Warns of a NUL byte in a line, and of the first carriage return with text
// after it, which CR-only line ends leave.
void checkLineBytes(TDF& reader, const LineSplitter::Line& line, bool* carriageReturnReported)
{
    if (line.firstNul)
        reader.warning(QCoreApplication::translate("Warning", "line holds a NUL byte; the rest of the line is ignored"));
    if (*carriageReturnReported || !line.firstCarriageReturn)
        return;
    if (line.firstNul && line.firstNul < line.firstCarriageReturn)
        return;
    // A carriage return before the line feed (or before white space alone)
    // is a CR LF line end; one with text after it most likely ends a line
    // that the reader can't tell from the next.
    const char* end = line.firstNul ? line.firstNul : line.text + line.length;
    if (std::any_of(line.firstCarriageReturn + 1, end, [](char c) { return !TDF::isWhite(c); })) {
        reader.warning(QCoreApplication::translate("Warning",
                                                   "carriage return inside a line: the file may have CR-only line ends"));
        *carriageReturnReported = true;
    }
}

void callLineHandler(void* handler, const char* line, TDFObject* object, TDF::ModelChangment change)
{
    (*static_cast<const TDF::LineHandler*>(handler))(line, object, change);
}

}

TDF::TDF(TCFList* list)
    : tcfList(list), definitionBlocks(&ownDefinitionBlocks), sfBlocks(101), instanceHash(613)
{
}

TDF::~TDF()
{
    reset(false);
    setStreaming(false);
    delete definingBlock;
    // Blocks finished before the caller's list was installed are still ours.
    if (definitionBlocks != &ownDefinitionBlocks)
        deleteValues(ownDefinitionBlocks);
}

void TDF::setFactory(TDFFactory* factory)
{
    objectFactory = factory;
}

TDFFactory* TDF::factory()
{
    if (!objectFactory) {
        // Shared by every reader and never freed: objects made by it may
        // outlive any one reader's use of it.
        static TDFFactory* const defaultFactory = new TDFFactory;
        objectFactory = defaultFactory;
    }
    return objectFactory;
}

void TDF::setDefinitionBlockList(TDFDefinitionBlockList& blocks)
{
    definitionBlocks = &blocks;
    sharedDefinitionBlocks = true;
}

void TDF::setTDFFileName(const QString& name)
{
    // Skipping goes on into the next file, whose lines are numbered from 1
    // again: its start moves back by the lines of the file before.
    if (skipping)
        skipStartLine -= static_cast<long long>(lineNumber);
    fileName = name;
    lineNumber = 0;
    bytesRead = 0;
}

QString TDF::strTime(const unsigned long long& time) const
{
    return strTime(timeFormat, timeUnit, timeUnitText, time);
}

QString TDF::strTime(const QString& timeFormat, TDFTimeUnitType timeUnit, const QString& timeUnitText,
                     unsigned long long time)
{
    QString text = TDFTime2StringFormat(timeFormat, time, timeUnit);
    if ((isBlankTimeFormat(timeFormat) || timeUnit == UNIT_NONE) && !timeUnitText.isNull())
        text = QCoreApplication::translate("TDF", "%1 %2",
                                           "%1 is a time number and %2 the time unit; used when there are no "
                                           "time format selected")
                   .arg(text, timeUnitText);
    return text;
}

void TDF::error(const QString& text)
{
    if (skipping || errorCount > 100)
        return;
    const QString& message =
        errorCount == 100 ? QCoreApplication::translate("Error", "error limit reached, continue to parsing silently.\n")
                          : text;
    Error::error(message, fileName.isNull() ? QStringLiteral("<tdf>") : fileName, int(lineNumber), 0);
    ++errorCount;
}

void TDF::warning(const QString& text)
{
    if (skipping || errorCount > 100)
        return;
    Error::warning(text, fileName.isNull() ? QStringLiteral("<tdf>") : fileName, int(lineNumber), 0);
}

void TDF::reportError(const char* text)
{
    error(QCoreApplication::translate("Error", text));
}

void TDF::restartAnalyzing()
{
    skipping = false;
    warning(QCoreApplication::translate("Warning", "due to previous error, restart analyzing at this line (%1 lines skipped)",
                                        "%1 is the number of line skipped")
                .arg(static_cast<long long>(lineNumber) - skipStartLine));
}

void TDF::appendObject(TDFObject* object)
{
    appendObjectInline(object);
}

void TDF::destroyPendingAnnotations()
{
    delete pendingNote;
    pendingNote = nullptr;
    delete pendingGlyph;
    pendingGlyph = nullptr;
}

void TDF::reset(bool keepBlocks)
{
    if (streaming_)
        clearStreaming();
    appendedObjects.fill(0);
    sfBlocks.forEach([](TDF_USE_DBTraceId* binding) { delete binding; });
    sfBlocks.clean();

    // A message announced by a call belongs to the objects only once it is
    // completed; the others are reachable through their calls alone.
    for (TDFMessageCall* call : messageCalls)
        if (call->message && !call->message->objectNode)
            delete call->message;
    deleteValues(objects);

    const bool keepDefinitionBlocks = sharedDefinitionBlocks || keepBlocks;
    for (TDFDefinitionBlock* block : *definitionBlocks) {
        if (!keepDefinitionBlocks) {
            delete block;
            continue;
        }
        block->counted = false;
        block->messages.forEach([](TDFDBMessage* message) { message->used = false; });
    }
    if (!keepDefinitionBlocks) {
        definitionBlocks->clear();
        actionBlockTextModel = nullptr;
    }
    // An action block left open keeps its text, but its instance is gone.
    actionBlockInstance = nullptr;

    externalTrigger = triggerStart = triggerStop = nullptr;

    objects.clear();
    instances.clear();
    instanceHash.clean();
    messages.clear();
    messageCalls.clear();
    dropEventIndexes();
    runningInfos.clear();
    runningPosition = 0;
    undeletedInstances.clear();
    lastListedInstance = nullptr;
    messageReturns.clear();
    instanceDeletes.clear();
    openMessages.clear();
    notes.clear();
    glyphs.clear();
    actions.clear();
    synchronisations.clear();
    threadInfos.clear();
    deleteValues(threads);
    threads.clear();
    loopStarts.clear();
    loopEnds.clear();
    openLoops.clear();
    loopIterations.assign(1, 1);
    openLoopIds.clear();
    droppedLoopLevels = 0;
    loopCount = 0;
    attachToLoopStart = false;

    currentBlock = nullptr;
    pendingStyle = nullptr;
    destroyPendingAnnotations();
    currentInstance = nullptr;
    pendingLink = QString();
    timeUnitText = QString();
    definitionMode = false;
    openDefinitionBlockLine = 0;
    currentTime = timeStep = firstTime = minTime = heapSize = maxHeapSize = 0;
    staticMessageTotal = 0;
    timeSeen = minTimeSeen = minTimeStepSeen = heapSizeSeen = false;
    minTimeStep = ~0ULL;
    timeUnit = UNIT_NONE;
    usedMessageModels = 0;
    runningThread = nullptr;
    runningThreadInfo = nullptr;
    pendingThreadInfo = nullptr;

    if (!keepBlocks) {
        errorCount = 0;
        lineNumber = 0;
    }
    skipping = false;
    skipStartLine = 0;
}

bool TDF::readFile(const QString& name)
{
    return readFile(name, LineFunction(nullptr), nullptr);
}

bool TDF::readFile(const QString& name, const LineHandler& onLine)
{
    return readFile(name, onLine ? callLineHandler : LineFunction(nullptr), const_cast<LineHandler*>(&onLine));
}

bool TDF::readFile(const QString& name, LineFunction onLine, void* context)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(name.toLocal8Bit().constData(), "r"), std::fclose);
    if (!file) {
        reportFileFailure(QT_TRANSLATE_NOOP("Load TDF", "Can't open file \"%1\": %2"), name, errno);
        return false;
    }
    return readStream(file.get(), name, onLine, context);
}

bool TDF::readStream(std::FILE* stream, const QString& name, const LineHandler& onLine)
{
    return readStream(stream, name, onLine ? callLineHandler : LineFunction(nullptr), const_cast<LineHandler*>(&onLine));
}

bool TDF::readStream(std::FILE* stream, const QString& name, LineFunction onLine, void* context)
{
    setTDFFileName(name);
    LineSplitter lines(stream, lineBufferSize - 1);
    LineSplitter::Line line;
    bool carriageReturnReported = false;
    while (lines.next(&line)) {
        ModelChangment change;
        beginLine(&change);
        bytesRead += line.length;
        if (line.firstNul || (line.firstCarriageReturn && !carriageReturnReported))
            checkLineBytes(*this, line, &carriageReturnReported);
        TDFObject* object = handleLine(line.text, nullptr, &change);
        if (onLine)
            onLine(context, line.text, object, change);
    }
    // A failure (a directory, a disk error) is no shorter trace.
    if (lines.failure() != 0) {
        reportFileFailure(QT_TRANSLATE_NOOP("Load TDF", "Can't read file \"%1\": %2"), name, lines.failure());
        return false;
    }
    reportOpenBlocks();
    return true;
}

void TDF::reportOpenBlocks()
{
    if (definitionMode && openDefinitionBlockLine != 0)
        error(QCoreApplication::translate("Error", "definition block begun at line %1 has no end (ED)",
                                          "%1 is a line number")
                  .arg(openDefinitionBlockLine));
    if (actionBlockMode && openActionBlockLine != 0)
        error(QCoreApplication::translate("Error", "action block begun at line %1 has no end (EA)",
                                          "%1 is a line number")
                  .arg(openActionBlockLine));
    openDefinitionBlockLine = openActionBlockLine = 0;
}

TDFObject* TDF::read(const char* line, bool* changed, TDF::ModelChangment* change)
{
    beginLine(change);
    return handleLine(line, changed, change);
}

void TDF::beginLine(TDF::ModelChangment* change)
{
    if (change)
        *change = MODEL_UNCHANGED;
    ++lineNumber;
    // What the previous line made has been handed out by now.
    if (streaming_)
        streaming_->releaseUnreachable();
}

TDFObject* TDF::handleLine(const char* line, bool* changed, TDF::ModelChangment* change)
{
    int op = 0;
    const char* text = line;
    if (*text) {
        op = static_cast<signed char>(*text++);
        if (*text)
            op = op * 256 + static_cast<signed char>(*text++);
    }
    readWhite(&text);
    // A line of white space alone (such as a CR LF line end) is an empty
    // line, as "\n" is.
    const bool emptyLine = op == 0 || (isWhite(line[0]) && (!line[1] || isWhite(line[1])) && !*text);

    if (actionBlockMode) {
        switch (op) {
        case opcode('B', 'A'): readBA(text); return nullptr;
        case opcode('E', 'A'): return readEA(text, changed);
        default: return nullptr;
        }
    }

    if (definitionMode) {
        if (!definingBlock || !definingBlock->valid)
            return op == opcode('E', 'D') ? readED(text, changed) : nullptr;
        if (emptyLine)
            return nullptr;
        switch (op) {
        case opcode('I', 'D'): readID(text); return nullptr;
        case opcode('I', 'N'): readIN(text); return nullptr;
        case opcode('L', 'K'): readLK(text); return nullptr;
        case opcode('M', 'S'): readMS(text); return nullptr;
        case opcode('S', 'I'): readSI(text); return nullptr;
        case opcode('S', 'O'): readSO(text); return nullptr;
        case opcode('S', 'T'): readST(text); return nullptr;
        case opcode('T', 'X'): readTX(text); return nullptr;
        case opcode('E', 'D'): return readED(text, changed);
        case opcode('C', 'A'):
        case opcode('C', 'B'):
        case opcode('C', 'C'):
        case opcode('O', 'T'):
        case opcode('Q', 'A'):
        case opcode('S', 'C'):
        case opcode('U', 'S'): return nullptr;
        default: reportError("unknown opcode in TSF file"); return nullptr;
        }
    }

    if (emptyLine)
        return nullptr;
    switch (op) {
    case opcode('A', 'C'): return readAC(text, changed);
    case opcode('B', 'A'): readBA(text); return nullptr;
    case opcode('C', 'I'): return readCI(text, changed);
    case opcode('C', 'S'): readCS(text); return nullptr;
    case opcode('D', 'A'): return readDA(text, changed);
    case opcode('D', 'B'): readDB(text); return nullptr;
    case opcode('D', 'I'): return readDI(text, changed);
    case opcode('E', 'T'): return readET(text, changed);
    case opcode('G', 'A'): return readGA(text, changed);
    case opcode('G', 'L'): readGL(text); return nullptr;
    case opcode('G', 'S'): return readGS(text, changed);
    case opcode('H', 'S'): readHS(text); return nullptr;
    case opcode('L', 'E'): return readLE(text, changed);
    case opcode('L', 'K'): readLK(text); return nullptr;
    case opcode('L', 'S'): return readLS(text, changed);
    case opcode('M', 'C'): return readMC(text, changed);
    case opcode('M', 'E'): return readME(text, changed);
    case opcode('M', 'R'): return readMR(text, changed);
    case opcode('N', 'I'): return readNI(text, changed, change);
    case opcode('N', 'O'): readNO(text); return nullptr;
    case opcode('N', 'T'): return readNT(text);
    case opcode('S', 'A'): return readSA(text, changed);
    case opcode('S', 'F'): readSF(text); return nullptr;
    case opcode('S', 'T'): readST(text); return nullptr;
    case opcode('S', 'Y'): return readSY(text, changed);
    case opcode('T', 'I'): readTI(text); return nullptr;
    case opcode('T', 'M'): readTM(text); return nullptr;
    case opcode('T', 'S'): readTS(text); return nullptr;
    case opcode('T', 'U'): readTU(text); return nullptr;
    case opcode('O', 'T'):
    case opcode('U', 'S'): return nullptr;
    case opcode('t', 'd'):
        if (line[2] == 'p' && isWhite(line[3]))
            return nullptr;
        break;
    default: break;
    }
    reportError("unknown opcode or unexpected opcode");
    return nullptr;
}
