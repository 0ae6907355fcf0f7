#ifndef TDFTOOL_CONFIGURATIONS_H
#define TDFTOOL_CONFIGURATIONS_H

#include <tcf.h>

#include <QString>
#include <QStringList>

// The configurations of all --tcf files, in order, or of the built-in
// default.tcf; owns them.
class Configurations {
public:
    Configurations() = default;
    ~Configurations() { list.deleteConfigurations(); }
    Configurations(const Configurations&) = delete;
    Configurations& operator=(const Configurations&) = delete;

    // A file that can't be read or is too large to be a configuration
    // ends the run: false, with the reason.
    // Faults inside a file are reported through Error and loading goes on.
    bool load(const QStringList& files, QString& problem);

    TCFList list;

private:
    void add(const QByteArray& text, const QString& name);
};

#endif
