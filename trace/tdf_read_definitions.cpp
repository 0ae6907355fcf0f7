// Definition blocks (DB ... ED) and the context statements: block
// selection, clock, heap, threads, styles, links and new traces.

#include "tcf.h"
#include "tdf.h"
#include "internal/tdf_bookkeeping.h"
#include "tdf_factory.h"

#include <QCoreApplication>

#include <vector>

using namespace tdf::internal;

void TDF::invalidateBlock(const char* text)
{
    reportError(text);
    definingBlock->valid = false;
}

void TDF::decorateStaticObject(TDFDBObject* object)
{
    object->givenStyle = pendingStyle;
    pendingStyle = nullptr;
    if (pendingLinkId != 0) {
        object->sourceLine = int(pendingLinkId);
        pendingLinkId = 0;
    }
    object->setSourceLinkText(pendingLink);
}

// DB "CONFIGURATION"
void TDF::readDB(const char* text)
{
    definitionMode = true;
    openDefinitionBlockLine = lineNumber;
    pendingStyle = nullptr;
    pendingLinkId = 0;
    pendingSuperInstance = nullptr;
    definingBlock = factory()->newTDFDefinitionBlock();
    definingBlock->valid = true;

    QString name;
    if (!readString(&text, name, false))
        return invalidateBlock("configuration name must be a string");
    TCF* configuration = tcfList ? tcfList->search(name) : nullptr;
    if (!configuration)
        return invalidateBlock("undefined configuration name");
    if (!tcf)
        tcf = configuration;
    else if (configuration != tcf)
        return invalidateBlock("configuration mistmatch the current, skipping this definition block");
    definingBlock->setTCF(configuration);
}

// ID WORD ...
void TDF::readID(const char* text)
{
    if (definingBlock->hasId)
        return invalidateBlock("id statement already defined");
    const TCF* configuration = definingBlock->tcf;
    if (!configuration)
        return invalidateBlock("undefined configuration id");
    for (int i = 0; *text; ++i) {
        unsigned long long id;
        if (!readNumber(&text, &id))
            return invalidateBlock("wrong block identification");
        if (i >= configuration->idLength())
            return invalidateBlock("too many id defined");
        definingBlock->setId(i, id);
        readWhite(&text);
    }
    definingBlock->hasId = true;
}

// SO "FILE" DATE "TYPE"
void TDF::readSO(const char* text)
{
    if (definingBlock->source)
        return invalidateBlock("source already defined");
    QString file;
    if (!readString(&text, file, false))
        return invalidateBlock("file name must be a string");
    readWhite(&text);
    unsigned long long date;
    if (!readNumber(&text, &date))
        return invalidateBlock("wrong date format");
    readWhite(&text);
    QString typeName;
    if (!readString(&text, typeName, false))
        return invalidateBlock("source type must be a string");
    TDFDBSource::Type type;
    if (typeName.isNull() || typeName == QLatin1String("txt"))
        type = TDFDBSource::SOURCE_TXT;
    else if (typeName == QLatin1String("xrd"))
        type = TDFDBSource::SOURCE_XRD;
    else
        return invalidateBlock("unknown source type");
    definingBlock->source = factory()->newTDFDBSource();
    definingBlock->source->init(file, date, type);
}

// SI SUPER_ID [WORD ...]
void TDF::readSI(const char* text)
{
    unsigned long long superId;
    if (!readNumber(&text, &superId))
        return invalidateBlock("super-instance id must be a number");
    readWhite(&text);

    // The identification of the block holding the super instance, when the
    // line gives one. Every word is kept, so that comparing with a block of
    // any id length stays within what was read.
    std::vector<unsigned long long> ids;
    while (*text) {
        unsigned long long id;
        if (!readNumber(&text, &id))
            return invalidateBlock("wrong block identification");
        ids.push_back(id);
        readWhite(&text);
    }

    const TDFDefinitionBlock* holder = definingBlock;
    if (!ids.empty() && definingBlock->tcf) {
        // Of several blocks with that identification, the one defined first
        // (the list holds the newest first).
        holder = nullptr;
        for (const TDFDefinitionBlock* block : *definitionBlocks)
            if (block->cmpId(ids.data(), int(ids.size())))
                holder = block;
        if (!holder)
            return;
    }
    pendingSuperInstance = holder->getInstanceFromId(superId);
    if (!pendingSuperInstance)
        invalidateBlock("referenced super instance not found");
}

// IN "TYPE" ID "NAME"
void TDF::readIN(const char* text)
{
    QString typeName;
    if (!readString(&text, typeName, false))
        return invalidateBlock("type parameter must be a string");
    InstanceType* type = tcf ? tcf->instanceType(typeName) : nullptr;
    if (!type)
        return invalidateBlock("undefined instance type");
    readWhite(&text);
    unsigned long long id;
    if (!readNumber(&text, &id))
        return invalidateBlock("wrong identification");
    if (definingBlock->getObjectFromId(id))
        return invalidateBlock("id already defined");
    readWhite(&text);
    QString name;
    if (!readString(&text, name, false))
        return invalidateBlock("name parameter must be a string");

    TDFDBInstance* instance = factory()->newTDFDBInstance(id, type, name);
    decorateStaticObject(instance);
    if (pendingSuperInstance) {
        instance->setSuperInstance(pendingSuperInstance);
        pendingSuperInstance = nullptr;
    }
    definingBlock->addInstance(instance);
}

// MS ID "NAME"
void TDF::readMS(const char* text)
{
    unsigned long long id;
    if (!readNumber(&text, &id))
        return invalidateBlock("can't read MS number");
    if (definingBlock->getObjectFromId(id))
        return invalidateBlock("id already defined");
    readWhite(&text);
    QString name;
    if (!readString(&text, name, false))
        return invalidateBlock("second parameter must be a string");

    TDFDBMessage* message = factory()->newTDFDBMessage(id, name);
    decorateStaticObject(message);
    definingBlock->addMessage(message);
    ++definingBlock->messageCount;
}

// TX ID "TEXT"
void TDF::readTX(const char* text)
{
    unsigned long long id;
    if (!readNumber(&text, &id))
        return invalidateBlock("can't read TX number");
    if (definingBlock->getObjectFromId(id))
        return invalidateBlock("id already defined");
    readWhite(&text);
    QString content;
    if (!readString(&text, content, false))
        return invalidateBlock("second parameter must be a string");

    TDFDBText* staticText = factory()->newTDFDBText(id, content);
    decorateStaticObject(staticText);
    pendingLink = QString();
    definingBlock->addText(staticText);
}

// LK "LINK"; inside a definition block also LK LINE
void TDF::readLK(const char* text)
{
    if (!definitionMode) {
        readString(&text, pendingLink, false);
        return;
    }
    pendingLinkId = 0;
    if (readString(&text, pendingLink, true) && !pendingLink.isNull())
        return;
    if (!readNumber(&text, &pendingLinkId))
        invalidateBlock("link id must be a number");
}

// ST STYLE
void TDF::readST(const char* text)
{
    pendingStyle = nullptr;
    unsigned long long number;
    if (!readNumber(&text, &number))
        return;
    const TDFDefinitionBlock* block = definitionMode ? definingBlock : currentBlock;
    if (!block || !block->tcf)
        return reportError("no current definition block defined (or definition block without tcf link)");
    pendingStyle = isConfigurationId(number) ? block->tcf->style(int(number)) : nullptr;
    if (!pendingStyle)
        reportError("can't retrieve style");
}

// SF NUMBER WORD ...
void TDF::readSF(const char* text)
{
    currentBlock = nullptr;
    unsigned long long number;
    if (!readNumber(&text, &number))
        return;
    readWhite(&text);
    unsigned long long ids[TCF::maxIdLength];
    int count = 0;
    while (*text) {
        unsigned long long id;
        if (!readNumber(&text, &id))
            break;
        if (count == TCF::maxIdLength) {
            error(QCoreApplication::translate("Internal Error", "internal error: sf_id overflow"));
            return;
        }
        ids[count++] = id;
        readWhite(&text);
    }

    currentBlock = definitionBlocks->search(ids, count);
    if (!currentBlock) {
        reportError("definition block not found (SF)");
        skipping = true;
        skipStartLine = static_cast<long long>(lineNumber);
        return;
    }
    if (skipping)
        restartAnalyzing();

    if (TDF_USE_DBTraceId* binding = sfBlocks.search(number))
        binding->block = currentBlock;
    else
        sfBlocks.intern(new TDF_USE_DBTraceId{currentBlock, number}, nullptr);
    if (!currentBlock->counted) {
        currentBlock->counted = true;
        staticMessageTotal += currentBlock->messageCount;
    }
}

// CS NUMBER
void TDF::readCS(const char* text)
{
    currentBlock = nullptr;
    unsigned long long number;
    if (!readNumber(&text, &number))
        return;
    const TDF_USE_DBTraceId* binding = sfBlocks.search(number);
    currentBlock = binding ? binding->block : nullptr;
    if (skipping)
        restartAnalyzing();
    if (!currentBlock) {
        reportError("definition block not found (CS)");
        skipping = true;
        skipStartLine = static_cast<long long>(lineNumber);
    }
}

// TU "UNIT"
void TDF::readTU(const char* text)
{
    timeUnitText = QString();
    timeUnit = UNIT_NONE;
    if (!readString(&text, timeUnitText, false))
        return reportError("Can't read time unit.");
    static const char* const units[] = {"h", "mn", "s", "ms", "us", "ns", "ps"};
    for (int i = 0; i < int(sizeof units / sizeof units[0]); ++i) {
        if (timeUnitText == QLatin1String(units[i])) {
            timeUnit = TDFTimeUnitType(UNIT_HOUR + i);
            return;
        }
    }
}

bool TDF::readWideNumber(const char** cursor, unsigned long long* value)
{
    unsigned long long high;
    if (!readNumber(cursor, &high))
        return false;
    unsigned long long low;
    if (!readNumber(cursor, &low)) {
        *value = high;
        return true;
    }
    // Each half has 32 bits; a wider one would wrap into a wrong value.
    const unsigned long long largestHalf = 0xFFFFFFFFULL;
    if (high > largestHalf || low > largestHalf) {
        reportError("number overflow");
        return false;
    }
    *value = (high << 32) | low;
    return true;
}

// TM TIME [LOW]
void TDF::readTM(const char* text)
{
    unsigned long long time;
    if (!readWideNumber(&text, &time))
        return reportError("can't read time.");
    currentTime = time;
    if (!timeSeen) {
        timeSeen = minTimeSeen = true;
        minTime = firstTime = time;
    } else if (time < minTime) {
        minTime = time;
        minTimeSeen = true;
    }
}

// TS STEP [LOW]
void TDF::readTS(const char* text)
{
    unsigned long long step;
    if (!readWideNumber(&text, &step))
        return reportError("can't read time step.");
    timeStep = step;
    if (step < minTimeStep) {
        minTimeStep = step;
        minTimeStepSeen = true;
    }
}

// HS SIZE [LOW]
void TDF::readHS(const char* text)
{
    unsigned long long size;
    if (!readWideNumber(&text, &size))
        return reportError("can't read heap size.");
    heapSize = size;
    if (size > maxHeapSize)
        maxHeapSize = size;
    heapSizeSeen = true;
}

// TI THREAD STATE PRIORITY ["NAME"]
void TDF::readTI(const char* text)
{
    if (!currentBlock)
        return reportError("no current definition block defined");
    const TCF* configuration = currentBlock->tcf;
    if (!configuration)
        return reportError("no tcf defined in current definition");
    unsigned long long threadId, stateId, priority;
    if (!readNumber(&text, &threadId))
        return reportError("wrong Thread id format");
    readWhite(&text);
    if (!readNumber(&text, &stateId))
        return reportError("wrong Thread state id format");
    readWhite(&text);
    if (!readNumber(&text, &priority))
        return reportError("wrong Thread priority format");
    readWhite(&text);
    QString name;
    readString(&text, name, true);
    ThreadState* state = isConfigurationId(stateId) ? configuration->threadState(int(stateId)) : nullptr;
    if (!state)
        return reportError("can't retrieve thread model");

    TDFThread* thread = nullptr;
    for (TDFThread* known : threads) {
        if (known->num == threadId) {
            thread = known;
            break;
        }
    }
    if (!thread) {
        // Made here rather than by the factory: threads are the reader's own
        // bookkeeping, shared by their thread records.
        thread = new TDFThread;
        thread->num = threadId;
        thread->colorIndex = threadColorCounter;
        threadColorCounter = (threadColorCounter + 1) % 11;
        thread->listNode = threads.append(thread);
    }

    TDFThreadInfo* info = factory()->newTDFThreadInfo();
    info->thread = thread;
    if (!name.isNull())
        info->setName(name);
    info->threadState = state;
    info->stateId = stateId;
    info->priority = priority;
    stamp(*this, info);
    info->listNode = threadInfos.append(info);
    pendingThreadInfo = info->listNode;
    appendObject(info);

    if (stateId == 1) {
        runningPosition = runningInfos.size();
        runningInfos.push_back(info->listNode);
        runningThread = thread;
        runningThreadInfo = info->listNode;
    } else if (runningThreadInfo) {
        // Control goes back to the thread that ran before: the nearest
        // earlier record of a running state, wrapping round to the last.
        runningPosition = (runningPosition == 0 ? runningInfos.size() : runningPosition) - 1;
        runningThreadInfo = runningInfos[runningPosition];
        runningThread = runningThreadInfo->value->thread;
    }
}

// NT
TDFNewTrace* TDF::readNT(const char*)
{
    reset(true);
    TDFNewTrace* newTrace = factory()->newTDFNewTrace();
    appendObject(newTrace);
    return newTrace;
}

// ED
TDFDefinitionBlock* TDF::readED(const char*, bool* changed)
{
    definitionMode = false;
    openDefinitionBlockLine = 0;
    pendingLinkId = 0;
    pendingStyle = nullptr;
    pendingSuperInstance = nullptr;
    TDFDefinitionBlock* block = definingBlock;
    // The finished block belongs to the list (or is gone): it is no longer
    // the one being defined.
    definingBlock = nullptr;
    if (!block)
        return nullptr;
    if (!block->hasId) {
        block->valid = false;
        reportError("definition block has no id");
    }
    if (!block->valid) {
        delete block;
        return nullptr;
    }
    block->listNode = definitionBlocks->prepend(block);
    if (changed)
        *changed = true;
    return block;
}
