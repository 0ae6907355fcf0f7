// Reads a resource file and dumps every style group in it, at any depth.
//
//   stylesdump FILE
//
// Exits with 1 when the file can't be read or has a syntax error (reported
// on standard error), with 2 on a usage error.

#include <resource_reader.h>
#include <style.h>

#include <qares.h>

#include <QString>

#include <iostream>
#include <memory>

namespace {

void dumpStyles(QARes* first)
{
    for (QARes* node = first; node; node = node->next()) {
        QAResGroup* group = node->toResGroup();
        if (group && node->isTag("style")) {
            Style style(QString(), 0);
            style.fromResource(group, true);
            std::cout << style;
        } else if (group) {
            dumpStyles(group->firstChild());
        } else if (QAResList* list = node->toResList()) {
            dumpStyles(list->firstChild());
        }
    }
}

}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: stylesdump FILE\n";
        return 2;
    }
    bool ok = false;
    std::unique_ptr<QARes> resources(readResourceFile(QString::fromLocal8Bit(argv[1]), &ok));
    if (!ok)
        return 1;
    dumpStyles(resources.get());
    return 0;
}
