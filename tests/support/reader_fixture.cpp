#include "reader_fixture.h"

#include <resource_reader.h>
#include <tcf_loader.h>

#include <qares.h>

ReaderTest::ReaderTest()
{
    bool ok = false;
    std::unique_ptr<QARes> resources(readResourceFile(TEST_DATA_DIR "/reader.tcf", &ok));
    EXPECT_TRUE(ok);
    configurations = readTCFFromResources(resources.get(), nullptr);
    EXPECT_TRUE(recorder.reports().empty());
    reader = std::make_unique<TDF>(configurations);
}

ReaderTest::~ReaderTest()
{
    reader.reset();
    configurations->deleteConfigurations();
    delete configurations;
}

TDFObject* ReaderTest::line(const char* text, bool* changed, TDF::ModelChangment* change)
{
    return reader->read(text, changed, change);
}

TDFObject* ReaderTest::lines(std::initializer_list<const char*> texts)
{
    TDFObject* last = nullptr;
    for (const char* text : texts)
        last = line(text);
    return last;
}

std::vector<std::string> ReaderTest::messages() const
{
    std::vector<std::string> texts;
    for (const Report& report : recorder.reports())
        texts.push_back(report.message.toStdString());
    return texts;
}

void ReaderTest::selectTestBlock()
{
    lines({"DB \"test\"\n", "ID 1 2\n", "IN \"Task\" 1 \"Sensor\"\n", "IN \"Module\" 2 \"io\"\n",
           "IN \"Named\" 3 \"Worker\"\n", "MS 7 \"ping\"\n", "MS 8 \"pong\"\n", "TX 9 \"label\"\n", "ED\n",
           "SF 1 1 2\n"});
    ASSERT_NE(reader->currentBlock, nullptr);
}
