#include "configurations.h"

#include <resource_reader.h>
#include <tcf_loader.h>

#include <qares.h>

#include <QFile>

#include <memory>

namespace {

bool readConfigurationFile(const QString& name, QByteArray& text, QString& reason)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
        return false;
    }
    return readResourceBytes(file, text, reason);
}

}

bool Configurations::load(const QStringList& files, QString& problem)
{
    if (files.isEmpty()) {
        QFile builtIn(QStringLiteral(":/default.tcf"));
        builtIn.open(QIODevice::ReadOnly);
        add(builtIn.readAll(), QStringLiteral("default.tcf (built in)"));
        return true;
    }
    for (const QString& name : files) {
        QByteArray text;
        QString reason;
        if (!readConfigurationFile(name, text, reason)) {
            problem = QStringLiteral("cannot read configuration file %1: %2").arg(name, reason);
            return false;
        }
        add(text, name);
    }
    return true;
}

void Configurations::add(const QByteArray& text, const QString& name)
{
    std::unique_ptr<QARes> resources(readResourceText(text, name));
    std::unique_ptr<TCFList> loaded(readTCFFromResources(resources.get(), nullptr));
    if (!loaded)
        return;
    for (TCF* tcf : *loaded)
        list.append(tcf);
}
