#include "configured_reader.h"

#include <resource_reader.h>
#include <tcf_loader.h>

#include <qares.h>

ConfiguredReaderTest::ConfiguredReaderTest(const char* configurationFile)
{
    bool ok = false;
    std::unique_ptr<QARes> resources(readResourceFile(configurationFile, &ok));
    EXPECT_TRUE(ok);
    configurations = readTCFFromResources(resources.get(), nullptr);
    EXPECT_TRUE(recorder.reports().empty());
    reader = std::make_unique<TDF>(configurations);
}

ConfiguredReaderTest::~ConfiguredReaderTest()
{
    reader.reset();
    configurations->deleteConfigurations();
    delete configurations;
}
