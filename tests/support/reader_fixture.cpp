#include "reader_fixture.h"

ReaderTest::ReaderTest() : ConfiguredReaderTest(TEST_DATA_DIR "/reader.tcf") {}

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
