#include "streaming_reading.h"

#include "rewrite_reading.h"

#include <error.h>
#include <tdf.h>
#include <tdfwrt.h>

#include <sstream>

namespace {

std::string text(const QString& value)
{
    return value.isNull() ? "(null)" : '"' + value.toStdString() + '"';
}

std::string instanceText(const TDFInstance* instance)
{
    if (!instance)
        return "-";
    return std::to_string(instance->id) + text(instance->name()) + (instance->deletion ? "+deleted" : "") + '#' +
           std::to_string(instance->occurrence) + (instance->model ? '@' + std::to_string(instance->model->id) : "");
}

std::string membersText(const TDFInstanceList* members)
{
    std::string result = "[";
    if (members)
        for (const TDFInstance* member : *members)
            result += instanceText(member) + ' ';
    return result + ']';
}

std::string messageText(const TDFMessage* message)
{
    return instanceText(message->sender) + " -> " + instanceText(message->receiver) + " model " +
           std::to_string(message->staticId()) + (message->call ? " called" : "") + " heap " +
           std::to_string(message->heapSize) + " used " + std::to_string(message->usedModelCount) + " thread " +
           (message->thread ? std::to_string(message->thread->num) : std::string("-")) +
           (message->awaitingCompletion ? "" : " completed");
}

// What one line handed out, with what it points at: only what a client may
// use during that line.
std::string describe(TDFObject* object)
{
    if (!object)
        return "nothing";
    std::ostringstream out;
    out << object->type << ' ' << text(object->name()) << " t" << object->time << " link " << text(object->link());
    if (object->note)
        out << " note " << text(object->note->name());
    if (object->glyph)
        out << " glyph " << text(object->glyph->name());
    if (TDFInstance* instance = object->toInstance())
        out << " instance " << instanceText(instance);
    if (TDFMessage* message = object->toMessage())
        out << ' ' << messageText(message);
    if (TDFMessageCall* call = object->toMessageCall())
        out << " call " << call->callId << " from " << instanceText(call->message->sender);
    if (TDFMessageReturn* messageReturn = object->toMessageReturn())
        out << " returns " << messageText(messageReturn->message) << " t" << messageReturn->message->time;
    if (TDFInstanceDelete* deletion = object->toInstanceDelete()) {
        out << " deletes " << instanceText(deletion->instance);
        if (const TDFMessageReturn* cause = deletion->messageReturn)
            out << " by return " << cause->message->staticId() << " t" << cause->time;
    }
    if (TDFInstanceDeleteAll* deleteAll = object->toInstanceDeleteAll())
        out << " deletes " << membersText(deleteAll->instances);
    if (TDFAction* action = object->toAction())
        out << " on " << instanceText(action->instance);
    if (TDFSynchronisation* synchronisation = object->toSynchronisation())
        out << " of " << membersText(synchronisation->instances);
    if (TDFNote* note = object->toNote())
        out << " owner " << (note->owner ? note->owner->type : -1);
    if (TDFGlyph* glyph = object->toGlyph())
        out << " owner " << (glyph->owner ? glyph->owner->type : -1);
    if (TDFLoopStart* loopStart = object->toLoopStart())
        out << " loop " << loopStart->loopId.toStdString() << " x" << loopStart->iterations << " on "
            << instanceText(loopStart->instance);
    if (TDFLoopEnd* loopEnd = object->toLoopEnd())
        out << " ends " << text(loopEnd->loopStart->name()) << " on " << instanceText(loopEnd->instance);
    return out.str();
}

}

LineByLineReading readLineByLine(TCFList* configurations, const std::string& trace, bool streaming, bool withTimes)
{
    const int errorsBefore = Error::error_count_;
    const int warningsBefore = Error::warn_count_;
    LineByLineReading reading;
    TDF reader(configurations);
    reader.setStreaming(streaming);
    std::ostringstream out;
    TDFWriter writer(out);
    writer.writeTimes = withTimes;
    reader.setReleaseObserver([&writer](TDFObject* object) { writer.forgetReleased(object); });
    for (const std::string& line : traceLines(trace)) {
        TDF::ModelChangment change;
        TDFObject* object = reader.read(line.c_str(), nullptr, &change);
        reading.lines.push_back(describe(object) + " change " + std::to_string(change));
        writer.writeReadLine(reader, object);
    }
    writer.writeEnd(reader);
    reading.rewritten = out.str();
    std::ostringstream counts;
    for (unsigned long long count : reader.appendedObjects)
        counts << count << ' ';
    counts << "| lines " << reader.lineNumber << " models " << reader.usedMessageModels << " threads "
           << reader.threads.count << " blocks " << reader.definitionBlocks->count;
    reading.counts = counts.str();
    reading.errors = Error::error_count_ - errorsBefore;
    reading.warnings = Error::warn_count_ - warningsBefore;
    return reading;
}

std::string firstReadingDifference(const LineByLineReading& whole, const LineByLineReading& streamed)
{
    for (size_t line = 0; line < whole.lines.size() && line < streamed.lines.size(); ++line)
        if (streamed.lines[line] != whole.lines[line])
            return "line " + std::to_string(line + 1) + " hands out\n  streaming: " + streamed.lines[line] +
                   "\n  whole:     " + whole.lines[line] + '\n';
    if (streamed.lines.size() != whole.lines.size())
        return std::to_string(streamed.lines.size()) + " lines streamed, " + std::to_string(whole.lines.size()) +
               " whole\n";
    if (streamed.errors != whole.errors || streamed.warnings != whole.warnings)
        return "streaming reports " + std::to_string(streamed.errors) + " errors and " +
               std::to_string(streamed.warnings) + " warnings, the whole model " + std::to_string(whole.errors) +
               " and " + std::to_string(whole.warnings) + '\n';
    if (streamed.rewritten != whole.rewritten)
        return "the rewrites differ\n  streaming:\n" + streamed.rewritten + "  whole:\n" + whole.rewritten;
    return std::string();
}
