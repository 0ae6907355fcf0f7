#include "qafileutil.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

bool QAFileUtil::copyFile(const QString& source, const QString& destination)
{
    if (source.isEmpty() || destination.isEmpty())
        return false;
    QFile in(source);
    if (QFileInfo(source).isDir() || !in.open(QIODevice::ReadOnly))
        return false;
    QSaveFile out(destination);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    char buffer[64 * 1024];
    for (;;) {
        qint64 got = in.read(buffer, sizeof buffer);
        // An uncommitted save file is discarded, leaving the destination
        // untouched.
        if (got < 0)
            return false;
        if (got == 0)
            break;
        if (out.write(buffer, got) != got)
            return false;
    }
    return out.commit();
}
