// Loops (LS ... LE) and the annotations that wait for the next event to
// take them: notes (NO) and glyphs (GL).

#include "naming.h"
#include "tcf.h"
#include "tdf.h"
#include "internal/tdf_bookkeeping.h"
#include "tdf_factory.h"

#include <QCoreApplication>
#include <QTextCodec>

using namespace tdf::internal;

// LS ITERATIONS
TDFObject* TDF::readLS(const char* text, bool* changed)
{
    unsigned long long iterations;
    if (!readNumber(&text, &iterations)) {
        reportError("missing iteration into loop start statement.");
        return nullptr;
    }
    if (openLoops.count >= loopNestingLimit) {
        ++droppedLoopLevels;
        error(QCoreApplication::translate("Error", "loop nested deeper than %1 levels (ignored)",
                                          "%1 is the number of levels")
                  .arg(loopNestingLimit));
        return nullptr;
    }
    // The enclosing open loop's id and this level's counter: built from
    // the whole stack, each id would cost time in proportion to the depth.
    const QString number = QString::number(loopIterations.back());
    const QString loopId =
        openLoopIds.empty() ? number : openLoopIds.back() + QLatin1Char('.') + number;
    const unsigned long long occurrence = loopCount++;
    QString name;
    if (const TCF* configuration = currentBlock ? currentBlock->tcf : nullptr)
        name = Naming::processLoop(configuration->loopNaming, int(occurrence), loopId, int(iterations));
    loopIterations.push_back(1);
    openLoopIds.push_back(loopId);

    TDFLoopStart* loopStart = factory()->newTDFLoopStart();
    loopStart->iterations = iterations;
    loopStart->instance = currentInstance;
    useInstance(currentInstance);
    loopStart->setName(name);
    loopStart->occurrence = static_cast<long long>(occurrence);
    loopStart->loopId = loopId;
    decorate(*this, loopStart);
    appendObjectInline(loopStart);
    loopStart->listNode = loopStarts.append(loopStart);
    openLoops.append(loopStart);
    // Set after appending, so that the next object (not this one) opens the loop.
    attachToLoopStart = true;
    stamp(*this, loopStart);
    report(changed);
    consumeDecorations(*this);
    return loopStart;
}

// LE
TDFObject* TDF::readLE(const char*, bool* changed)
{
    // The innermost level is a dropped one: its end goes with it.
    if (droppedLoopLevels > 0) {
        --droppedLoopLevels;
        return nullptr;
    }
    if (openLoops.count == 0) {
        reportError("can't found loop start for this end loop.");
        return nullptr;
    }
    TDFLoopStart* loopStart = openLoops.pop();

    TDFLoopEnd* loopEnd = factory()->newTDFLoopEnd();
    loopEnd->instance = currentInstance;
    decorate(*this, loopEnd);
    loopEnd->loopStart = loopStart;
    loopStart->loopEnd = loopEnd;
    // A streamed loop end outlives the objects it would point at.
    if (!streaming_)
        loopEnd->lastObject = objects.last() ? objects.last()->value : nullptr;
    stamp(*this, loopEnd);
    appendObjectInline(loopEnd);
    loopEnd->listNode = loopEnds.append(loopEnd);

    // The closed loop's level goes; the next loop at the level below gets
    // the following number. The bottom level always stays.
    if (loopIterations.size() > 1)
        loopIterations.pop_back();
    if (!openLoopIds.empty())
        openLoopIds.pop_back();
    ++loopIterations.back();

    report(changed);
    consumeDecorations(*this);
    return loopEnd;
}

// NO "TEXT" | NO "ENCODING" "TEXT" | NO TEXT_ID ["TEXT"]
// Three forms: a text; a codec name and a text in that encoding; a static
// text id with an optional text. A new note replaces whatever annotation is
// pending.
bool TDF::readNO(const char* text)
{
    if (pendingNote) {
        warning(QCoreApplication::translate("Warning", "pending note while reading new one (ignore previous)."));
        delete pendingNote;
        pendingNote = nullptr;
    }
    if (pendingGlyph) {
        warning(QCoreApplication::translate("Warning", "pending glyph while reading note (ignore glyph)."));
        delete pendingGlyph;
        pendingGlyph = nullptr;
    }

    QString name;
    TDFDBText* model = nullptr;
    QString first;
    readString(&text, first, true);
    readWhite(&text);
    if (!first.isNull() && *text != '"') {
        // One string: the note's text (looking a codec up costs more than
        // the rest of the line).
        name = first;
    } else if (!first.isNull()) {
        // The first string may name the encoding of a second one; the codec
        // applies to that string alone.
        textCodec = QTextCodec::codecForName(first.toUtf8());
        QString second;
        readString(&text, second, true);
        const bool knownCodec = textCodec != nullptr;
        textCodec = nullptr;
        if (second.isEmpty()) {
            name = first;
        } else if (!knownCodec) {
            error(QCoreApplication::translate("Error", "Unknown text codec '%1'",
                                              "%1 is the text codec name read from traces")
                      .arg(first));
            return false;
        } else {
            name = second;
        }
    } else {
        unsigned long long id;
        if (!readNumber(&text, &id))
            return false;
        if (!currentBlock) {
            reportError("can't retrieve text, no definition block set.");
            return false;
        }
        readString(&text, name, true);
        model = currentBlock->getTextFromId(id);
        if (!model) {
            reportError("can't retrieve static text.");
            return false;
        }
    }

    TDFNote* note = factory()->newTDFNote();
    pendingNote = note;
    note->model = model;
    note->setName(name);
    decorate(*this, note);
    stamp(*this, note);
    consumeDecorations(*this);
    return true;
}

// GL GLYPH_ID [TEXT_ID] ["TEXT"]
bool TDF::readGL(const char* text)
{
    if (pendingGlyph) {
        warning(QCoreApplication::translate("Warning", "pending glyph while reading new one (ignore previous)."));
        delete pendingGlyph;
        pendingGlyph = nullptr;
    }
    if (pendingNote) {
        warning(QCoreApplication::translate("Warning", "pending note while reading glyph (ignore note)."));
        delete pendingNote;
        pendingNote = nullptr;
    }

    if (!currentBlock) {
        reportError("no definition block set.");
        return false;
    }
    const TCF* configuration = currentBlock->tcf;
    if (!configuration) {
        reportError("definition block without tcf");
        return false;
    }
    unsigned long long glyphId;
    if (!readNumber(&text, &glyphId)) {
        reportError("glyph id must be a number.");
        return false;
    }
    Glyph* definition = isConfigurationId(glyphId) ? configuration->glyph(int(glyphId)) : nullptr;
    if (!definition) {
        reportError("can't retrieve glyph model");
        return false;
    }
    TDFDBText* model = nullptr;
    unsigned long long textId;
    if (readNumber(&text, &textId)) {
        model = currentBlock->getTextFromId(textId);
        if (!model) {
            reportError("can't retrieve static text.");
            return false;
        }
    }
    QString name;
    readString(&text, name, true);

    // A glyph is drawn from its definition: the pending style is dropped,
    // not applied.
    TDFGlyph* glyph = factory()->newTDFGlyph();
    pendingGlyph = glyph;
    glyph->definition = definition;
    glyph->model = model;
    glyph->setName(name);
    takeLink(*this, glyph);
    stamp(*this, glyph);
    consumeDecorations(*this);
    return true;
}
