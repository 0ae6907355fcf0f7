#ifndef QAFILEUTIL_H
#define QAFILEUTIL_H

#include <QString>

class QAFileUtil {
public:
    // Copies the file `source` to `destination`, replacing a file that is
    // there. The destination appears complete or not at all. Returns false,
    // leaving the destination as it was, when the source cannot be read or
    // the destination cannot be written.
    static bool copyFile(const QString& source, const QString& destination);
};

#endif
