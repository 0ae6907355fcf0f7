// The resource parser, the resource writer and readTCFFromResources on
// arbitrary bytes. A text that parses is printed and parsed again: the
// printing must be faithful and give the same tree.

#include "fuzz_support.h"
#include "resource_compare.h"

#include <resource_reader.h>
#include <resource_writer.h>
#include <style.h>
#include <tcf.h>
#include <tcf_loader.h>

#include <qares.h>

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

namespace {

// A factory as a viewer would install: it may return a subclass.
class ViewerStyle : public Style {
public:
    ViewerStyle(const QString& name, int id) : Style(name, id) {}
};

Style* makeViewerStyle(const QString& name, int id)
{
    return new ViewerStyle(name, id);
}

void loadConfigurations(QARes* root, bool withFactory)
{
    std::unique_ptr<TCFList> list(readTCFFromResources(root, withFactory ? makeViewerStyle : nullptr));
    if (!root && list)
        fuzzFailure("a null tree gives no list", "");
    if (list)
        list->deleteConfigurations();
}

}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    installQuietErrorHandler();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), int(size));
    bool ok = false;
    std::unique_ptr<QARes> tree(readResourceText(text, QStringLiteral("fuzz.res"), &ok));
    const bool reported = !takeErrors().empty();
    if (ok == reported)
        fuzzFailure("a text is rejected exactly when an error is reported", text.toStdString());
    if (!ok && tree)
        fuzzFailure("a rejected text gives no tree", text.toStdString());
    if (!ok)
        return 0;

    std::ostringstream printed;
    if (!writeResources(printed, tree.get()))
        fuzzFailure("a tree that was read prints faithfully", text.toStdString());
    const std::string printedText = printed.str();
    bool reread = false;
    std::unique_ptr<QARes> again(
        readResourceText(QByteArray(printedText.data(), int(printedText.size())), QStringLiteral("printed.res"), &reread));
    const std::vector<QString> errors = takeErrors();
    if (!reread)
        fuzzFailure("the printed tree parses",
                    "input:\n" + text.toStdString() + "\nprinted:\n" + printedText + "\nerror: " +
                        (errors.empty() ? std::string() : errors.front().toStdString()));
    if (!sameResources(tree.get(), again.get()))
        fuzzFailure("parse, print, parse gives the same tree", "input:\n" + text.toStdString() + "\nprinted:\n" + printedText);

    loadConfigurations(tree.get(), size % 2 == 0);
    takeErrors();
    return 0;
}
