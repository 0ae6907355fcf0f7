#include "test_traces.h"

#include <resource_reader.h>
#include <tcf.h>
#include <tcf_loader.h>

#include <qares.h>

#include <QDir>
#include <QFile>

#include <memory>
#include <stdexcept>

void loadTestConfigurations(TCFList& configurations)
{
    for (const char* path : {TEST_DATA_DIR "/reader.tcf", TEST_DATA_DIR "/round_trip.tcf", EXAMPLES_DIR "/default.tcf"}) {
        std::unique_ptr<QARes> resources(readResourceFile(path));
        std::unique_ptr<TCFList> loaded(readTCFFromResources(resources.get(), nullptr));
        for (TCF* tcf : *loaded)
            configurations.append(tcf);
    }
}

std::vector<std::pair<std::string, std::string>> testTraces()
{
    std::vector<std::pair<std::string, std::string>> traces;
    for (const QString& folder : {QStringLiteral(TEST_DATA_DIR), QStringLiteral(EXAMPLES_DIR)}) {
        for (const QString& name : QDir(folder).entryList({QStringLiteral("*.tdf")}, QDir::Files, QDir::Name)) {
            QFile file(folder + '/' + name);
            if (!file.open(QIODevice::ReadOnly))
                throw std::runtime_error("can't read the test trace " + name.toStdString());
            traces.emplace_back(name.toStdString(), file.readAll().toStdString());
        }
    }
    return traces;
}
