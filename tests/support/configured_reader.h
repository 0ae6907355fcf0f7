#ifndef CONFIGURED_READER_H
#define CONFIGURED_READER_H

#include <tcf.h>
#include <tdf.h>

#include "error_recorder.h"

#include <gtest/gtest.h>

#include <memory>

// A test with a reader over the configurations of one resource file, every
// report recorded; loading the file must report nothing.
class ConfiguredReaderTest : public testing::Test {
protected:
    explicit ConfiguredReaderTest(const char* configurationFile);
    ~ConfiguredReaderTest() override;

    ErrorRecorder recorder;
    TCFList* configurations = nullptr;
    std::unique_ptr<TDF> reader;
};

#endif
