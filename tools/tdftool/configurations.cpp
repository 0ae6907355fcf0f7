#include "configurations.h"

#include "tool_messages.h"

#include <error.h>
#include <resource_reader.h>
#include <tcf_loader.h>

#include <qares.h>

#include <QFile>

#include <memory>

namespace {

bool readConfigurationFile(const QString& path, QByteArray& text, QString& reason)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
        return false;
    }
    return readResourceBytes(file, text, reason);
}

}

bool Configurations::load(const QStringList& files)
{
    if (files.isEmpty())
        return loadFile(QStringLiteral(":/default.tcf"), QStringLiteral("default.tcf (built in)"));
    bool sound = true;
    for (const QString& path : files)
        sound = loadFile(path, path) && sound;
    return sound;
}

bool Configurations::loadFile(const QString& path, const QString& name)
{
    QByteArray text;
    QString reason;
    if (!readConfigurationFile(path, text, reason)) {
        printToolError(QStringLiteral("cannot read configuration file %1: %2").arg(name, reason));
        return false;
    }
    const int errorsBefore = Error::error_count_;
    const int added = add(text, name);
    if (Error::error_count_ > errorsBefore)
        return false;
    if (added == 0) {
        printToolError(QStringLiteral("%1: defines no trace configuration").arg(name));
        return false;
    }
    return true;
}

int Configurations::add(const QByteArray& text, const QString& name)
{
    std::unique_ptr<QARes> resources(readResourceText(text, name));
    std::unique_ptr<TCFList> loaded(readTCFFromResources(resources.get(), nullptr));
    if (!loaded)
        return 0;
    int added = 0;
    for (TCF* tcf : *loaded) {
        list.append(tcf);
        ++added;
    }
    return added;
}
