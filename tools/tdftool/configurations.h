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

    // Loads every file; false when one could not be read, reported an
    // error while it was loaded or defines no configuration. The faults
    // inside a file are reported through Error, the others by the tool:
    // a trace read against what is left would only add follow-on errors.
    bool load(const QStringList& files);

    TCFList list;

private:
    // False, after saying why, when the file is not a sound configuration.
    bool loadFile(const QString& path, const QString& name);
    // The number of configurations the text gave.
    int add(const QByteArray& text, const QString& name);
};

#endif
