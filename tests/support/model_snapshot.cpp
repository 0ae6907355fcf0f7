#include "model_snapshot.h"

#include <style.h>
#include <tcf.h>
#include <tdf.h>

#include <algorithm>
#include <sstream>
#include <unordered_map>

namespace {

std::string quoted(const QString& text)
{
    return text.isNull() ? std::string("null") : '"' + text.toStdString() + '"';
}

std::string styleId(const Style* style)
{
    return style ? std::to_string(style->id()) : std::string("-");
}

class Snapshot {
public:
    Snapshot(TDF& reader, bool withTimes) : reader_(reader), withTimes_(withTimes)
    {
        int index = 0;
        for (TDFObject* object : reader.objects)
            objects_[object] = index++;
        index = 0;
        for (TDFDefinitionBlock* block : *reader.definitionBlocks)
            blocks_[block] = index++;
    }

    std::vector<std::string> lines()
    {
        for (TDFObject* object : reader_.objects)
            describeObject(object);
        for (TDFDefinitionBlock* block : *reader_.definitionBlocks)
            describeBlock(block);
        describeLists();
        describeContext();
        return std::move(lines_);
    }

private:
    std::string at(const TDFObject* object) const
    {
        if (!object)
            return "-";
        const auto found = objects_.find(object);
        return found == objects_.end() ? std::string("outside") : '#' + std::to_string(found->second);
    }

    std::string blockOf(const TDFDefinitionBlock* block) const
    {
        if (!block)
            return "-";
        const auto found = blocks_.find(block);
        return found == blocks_.end() ? std::string("unlisted") : 'b' + std::to_string(found->second);
    }

    std::string modelOf(const TDFDBObject* model) const
    {
        return model ? blockOf(model->definitionBlock) + ':' + std::to_string(model->id) : std::string("-");
    }

    template <class T>
    std::string positions(const List<T*>& list) const
    {
        std::string text = "[";
        for (T* value : list)
            text += ' ' + at(value);
        return text + " ]";
    }

    void describeObject(TDFObject* object)
    {
        std::ostringstream line;
        line << at(object) << " type " << object->type;
        if (withTimes_)
            line << " time " << object->time;
        line << " heap " << object->heapSize << " name " << quoted(object->name()) << " own "
             << quoted(object->nameText) << " link " << quoted(object->link()) << " ownlink "
             << quoted(object->linkText) << " style " << styleId(object->style()) << " given "
             << styleId(object->givenStyle) << " note " << at(object->note) << " glyph " << at(object->glyph);
        describeKind(object, line);
        lines_.push_back(line.str());
    }

    void describeKind(TDFObject* object, std::ostringstream& line)
    {
        if (TDFTextObject* text = object->toTextObject())
            line << " model " << modelOf(text->model);
        if (TDFInstance* instance = object->toInstance()) {
            line << " id " << instance->id << " model " << modelOf(instance->model) << " named " << instance->named
                 << " occurrence " << instance->occurrence << " deletion " << at(instance->deletion) << " creation "
                 << at(instance->creationMessage) << " previous " << at(instance->previous) << " level "
                 << instance->activationLevel << " bars [";
            if (instance->activations)
                for (int i = 0; i < instance->activations->count; ++i)
                    line << ' ' << at((*instance->activations)[i]);
            line << " ]";
        } else if (TDFMessage* message = object->toMessage()) {
            line << " from " << at(message->sender) << " to " << at(message->receiver) << " model "
                 << modelOf(message->model) << " static " << message->staticId() << " return "
                 << at(message->messageReturn) << " call " << at(message->call) << " awaiting "
                 << message->awaitingCompletion << " used " << message->usedModelCount << " thread "
                 << (message->thread ? std::to_string(message->thread->num) : std::string("-")) << " info "
                 << at(message->threadInfo ? message->threadInfo->value : nullptr);
        } else if (TDFMessageCall* call = object->toMessageCall()) {
            line << " call " << call->callId << " message " << at(call->message);
        } else if (TDFMessageReturn* messageReturn = object->toMessageReturn()) {
            line << " message " << at(messageReturn->message) << " deletion " << at(messageReturn->deletion)
                 << " info " << at(messageReturn->threadInfo ? messageReturn->threadInfo->value : nullptr);
        } else if (TDFNote* note = object->toNote()) {
            line << " combined " << quoted(note->name()) << " owner " << at(note->owner);
        } else if (TDFGlyph* glyph = object->toGlyph()) {
            line << " combined " << quoted(glyph->name()) << " owner " << at(glyph->owner) << " kind "
                 << (glyph->definition ? std::to_string(glyph->definition->id) : std::string("-"));
        } else if (TDFAction* action = object->toAction()) {
            line << " instance " << at(action->instance);
        } else if (TDFSynchronisation* synchronisation = object->toSynchronisation()) {
            line << " members " << (synchronisation->instances ? positions(*synchronisation->instances) : "none");
        } else if (TDFInstanceDelete* deletion = object->toInstanceDelete()) {
            line << " instance " << at(deletion->instance) << " return " << at(deletion->messageReturn);
        } else if (TDFInstanceDeleteAll* deletion = object->toInstanceDeleteAll()) {
            line << " instances " << (deletion->instances ? positions(*deletion->instances) : "none");
        } else if (TDFLoopStart* start = object->toLoopStart()) {
            line << " instance " << at(start->instance) << " end " << at(start->loopEnd) << " iterations "
                 << start->iterations << " occurrence " << start->occurrence << " first " << at(start->firstObject)
                 << " id " << quoted(start->loopId);
        } else if (TDFLoopEnd* end = object->toLoopEnd()) {
            line << " instance " << at(end->instance) << " start " << at(end->loopStart) << " last "
                 << at(end->lastObject);
        } else if (TDFThreadInfo* info = object->toThreadInfo()) {
            line << " state " << info->stateId << " priority " << info->priority << " configured "
                 << (info->threadState ? std::to_string(info->threadState->id) : std::string("-")) << " thread "
                 << (info->thread ? std::to_string(info->thread->num) : std::string("-"));
        } else if (TDFTriggerStart* start = object->toTriggerStart()) {
            line << " instance " << at(start->instance);
        } else if (TDFTriggerStop* stop = object->toTriggerStop()) {
            line << " instance " << at(stop->instance);
        }
    }

    static std::string staticObject(const char* kind, TDFDBObject* object)
    {
        std::ostringstream line;
        line << "  " << kind << ' ' << object->id << ' ' << quoted(object->name) << " line " << object->sourceLine
             << " link " << quoted(object->sourceLinkText) << " given " << styleId(object->givenStyle) << " source "
             << quoted(object->sourceLink());
        return line.str();
    }

    void describeBlock(TDFDefinitionBlock* block)
    {
        std::ostringstream line;
        line << blockOf(block) << " valid " << block->valid << " id " << block->hasId << " tcf "
             << (block->tcf ? quoted(block->tcf->name()) : std::string("-")) << " ids";
        for (int i = 0; block->tcf && i < block->tcf->idLength(); ++i)
            line << ' ' << block->id(i);
        if (block->source)
            line << " source " << quoted(block->source->file) << ' ' << block->source->date << ' '
                 << block->source->type;
        line << " messages " << block->messageCount << " counted " << block->counted;
        lines_.push_back(line.str());
        for (TDFDBInstance* instance : block->instances)
            lines_.push_back(staticObject("instance", instance) + " type " +
                             (instance->instanceType ? instance->instanceType->name.toStdString() : "-") + " super " +
                             modelOf(instance->superInstance) + " next " + std::to_string(instance->occurrenceCounter));
        std::vector<TDFDBMessage*> messages;
        block->messages.forEach([&messages](TDFDBMessage* message) { messages.push_back(message); });
        std::sort(messages.begin(), messages.end(),
                  [](const TDFDBMessage* a, const TDFDBMessage* b) { return a->id < b->id; });
        for (TDFDBMessage* message : messages)
            lines_.push_back(staticObject("message", message) + " used " + std::to_string(message->used));
        for (TDFDBText* text : block->texts)
            lines_.push_back(staticObject("text", text));
    }

    void describeLists()
    {
        lines_.push_back("instances " + positions(reader_.instances));
        lines_.push_back("messages " + positions(reader_.messages));
        lines_.push_back("calls " + positions(reader_.messageCalls));
        lines_.push_back("returns " + positions(reader_.messageReturns));
        lines_.push_back("deletions " + positions(reader_.instanceDeletes));
        lines_.push_back("open " + positions(reader_.openMessages));
        lines_.push_back("notes " + positions(reader_.notes));
        lines_.push_back("glyphs " + positions(reader_.glyphs));
        lines_.push_back("actions " + positions(reader_.actions));
        lines_.push_back("synchronisations " + positions(reader_.synchronisations));
        lines_.push_back("thread records " + positions(reader_.threadInfos));
        lines_.push_back("loop starts " + positions(reader_.loopStarts));
        lines_.push_back("loop ends " + positions(reader_.loopEnds));
        lines_.push_back("open loops " + positions(reader_.openLoops));
        for (TDFInstance* instance : reader_.instances)
            lines_.push_back("by id " + std::to_string(instance->id) + ' ' +
                             at(reader_.instanceHash.search(instance->id)));
    }

    void describeContext()
    {
        std::ostringstream line;
        line << "configuration " << (reader_.tcf ? quoted(reader_.tcf->name()) : std::string("-")) << " unit "
             << quoted(reader_.timeUnitText) << ' ' << reader_.timeUnit;
        if (withTimes_)
            line << " step " << reader_.timeStep << " min step " << reader_.minTimeStepSeen << ' '
                 << reader_.minTimeStep;
        line << " heap " << reader_.heapSizeSeen << ' ' << reader_.heapSize << " max " << reader_.maxHeapSize
             << " used " << reader_.usedMessageModels << " of " << reader_.staticMessageTotal << " loops "
             << reader_.loopCount << " levels";
        for (int level : reader_.loopIterations)
            line << ' ' << level;
        line << " modeless " << reader_.modelessCount << " triggers " << at(reader_.externalTrigger) << ' '
             << at(reader_.triggerStart) << ' ' << at(reader_.triggerStop) << " running "
             << (reader_.runningThread ? std::to_string(reader_.runningThread->num) : std::string("-"));
        lines_.push_back(line.str());
        for (TDFThread* thread : reader_.threads)
            lines_.push_back("thread " + std::to_string(thread->num) + ' ' + quoted(thread->name) + " colour " +
                             std::to_string(thread->colorIndex));
    }

    TDF& reader_;
    bool withTimes_;
    std::unordered_map<const TDFObject*, int> objects_;
    std::unordered_map<const TDFDefinitionBlock*, int> blocks_;
    std::vector<std::string> lines_;
};

}

std::vector<std::string> snapshotModel(TDF& reader, bool withTimes)
{
    return Snapshot(reader, withTimes).lines();
}
