// Every trace under tests/ and examples/ that reads without errors is
// written back, read again and written again: the two writings must be the
// same text, and the two readings the same objects.

#include <resource_reader.h>
#include <style.h>
#include <tcf.h>
#include <tcf_loader.h>
#include <tdf.h>
#include <tdfwrt.h>

#include "error_recorder.h"

#include <qares.h>

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

// What a viewer sees of an object; its time only when times were written.
std::string describe(TDFObject* object, bool withTime)
{
    std::ostringstream text;
    text << object->type << '|' << object->name().toStdString() << '|' << object->link().toStdString() << '|'
         << (object->style() ? object->style()->id() : -1);
    if (TDFInstance* instance = object->toInstance())
        text << "|instance " << instance->id << ' ' << (instance->model ? instance->model->id : 0);
    if (TDFMessage* message = object->toMessage())
        text << "|from " << (message->sender ? message->sender->id : 0) << " to "
             << (message->receiver ? message->receiver->id : 0) << " on " << (message->thread ? message->thread->num : 0)
             << " heap " << message->heapSize;
    if (withTime)
        text << '|' << object->time;
    return text.str();
}

struct Reading {
    std::string written;
    std::vector<std::string> objects;  // sorted descriptions
    int errors = 0;
};

// Reads `lines` and writes back what each line returned.
Reading readAndWrite(TCFList* configurations, const std::vector<std::string>& lines, bool times)
{
    const int errorsBefore = Error::error_count_;
    Reading reading;
    std::ostringstream out;
    TDF reader(configurations);
    TDFWriter writer(out);
    writer.writeTimes = times;
    for (const std::string& line : lines) {
        TDF::ModelChangment change;
        TDFObject* object = reader.read(line.c_str(), nullptr, &change);
        writer.writeReadLine(reader, object, change);
        if (object && object->type != TDF_DEFINITION_BLOCK)
            reading.objects.push_back(describe(object, times));
    }
    // Context statements return no object: what they left must match too.
    for (TDFThreadInfo* info : reader.threadInfos)
        reading.objects.push_back("thread " + std::to_string(info->thread->num) + ' ' + std::to_string(info->stateId) +
                                  ' ' + std::to_string(info->priority) + ' ' + info->name().toStdString() + ' ' +
                                  std::to_string(info->thread->colorIndex) + (times ? ' ' + std::to_string(info->time) : ""));
    reading.objects.push_back("unit " + reader.timeUnitText.toStdString() + " heap " + std::to_string(reader.maxHeapSize));
    std::sort(reading.objects.begin(), reading.objects.end());
    reading.written = out.str();
    reading.errors = Error::error_count_ - errorsBefore;
    return reading;
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line + '\n');
    return lines;
}

std::vector<QString> traceFiles()
{
    std::vector<QString> files;
    for (const QString& folder : {QStringLiteral(TEST_DATA_DIR), QStringLiteral(EXAMPLES_DIR)})
        for (const QString& name : QDir(folder).entryList({QStringLiteral("*.tdf")}, QDir::Files, QDir::Name))
            files.push_back(folder + '/' + name);
    return files;
}

TCFList* loadConfigurations()
{
    auto* all = new TCFList;
    for (const char* path : {TEST_DATA_DIR "/reader.tcf", EXAMPLES_DIR "/default.tcf"}) {
        std::unique_ptr<QARes> resources(readResourceFile(path));
        std::unique_ptr<TCFList> loaded(readTCFFromResources(resources.get(), nullptr));
        for (TCF* tcf : *loaded)
            all->append(tcf);
    }
    return all;
}

TEST(RoundTrip, RewritingARewrittenTraceChangesNothing)
{
    ErrorRecorder recorder;
    std::unique_ptr<TCFList, void (*)(TCFList*)> configurations(loadConfigurations(), [](TCFList* list) {
        list->deleteConfigurations();
        delete list;
    });
    int checked = 0;
    for (const QString& path : traceFiles()) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const std::vector<std::string> original = linesOf(file.readAll().toStdString());
        for (bool times : {false, true}) {
            SCOPED_TRACE(path.toStdString() + (times ? " with times" : ""));
            const Reading first = readAndWrite(configurations.get(), original, times);
            if (first.errors > 0)
                continue;
            const Reading second = readAndWrite(configurations.get(), linesOf(first.written), times);
            EXPECT_EQ(second.errors, 0) << first.written;
            EXPECT_EQ(second.written, first.written);
            EXPECT_EQ(second.objects, first.objects);
            ++checked;
        }
    }
    EXPECT_GE(checked, 4) << "the example and the clean test traces read without errors";
}

}
