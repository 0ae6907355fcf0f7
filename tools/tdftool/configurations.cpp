#include "configurations.h"

#include <resource_reader.h>
#include <tcf_loader.h>

#include <qares.h>

#include <QFile>

#include <memory>

bool Configurations::load(const QStringList& files, QString& problem)
{
    if (files.isEmpty()) {
        QFile builtIn(QStringLiteral(":/default.tcf"));
        builtIn.open(QIODevice::ReadOnly);
        add(builtIn.readAll(), QStringLiteral("default.tcf (built in)"));
        return true;
    }
    for (const QString& name : files) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly)) {
            problem = QStringLiteral("cannot read configuration file %1: %2").arg(name, file.errorString());
            return false;
        }
        add(file.readAll(), name);
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
