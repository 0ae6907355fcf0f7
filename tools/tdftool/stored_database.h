#ifndef TDFTOOL_STORED_DATABASE_H
#define TDFTOOL_STORED_DATABASE_H

#include "database_connection.h"

#include <QString>
#include <QStringList>

struct TraceFingerprint;

// What the file of query --db holds, as far as its meta table and size
// tell without reading it whole.
struct StoredDatabase {
    enum State {
        Missing,    // no file there: to be built
        Current,    // made by this tdftool's schema from the trace as it is now, with the same --tcf files
        OutOfDate,  // tdftool's, but of another trace or state of it, other --tcf files or an older schema: built again
        Refused,    // not a regular file, not tdftool's, of a newer schema, damaged or unreadable: left alone
    };
    State state = Missing;
    QString reason;       // why it is out of date or refused, for the user
    Database connection;  // read only, when current
};

StoredDatabase inspectStoredDatabase(const QString& path, const TraceFingerprint& fingerprint,
                                     const QStringList& configurationFiles);

#endif
