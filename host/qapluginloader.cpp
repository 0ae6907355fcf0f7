#include "qapluginloader.h"

#include <QFile>
#include <QLibraryInfo>
#include <QList>
#include <QtGlobal>

#include <dlfcn.h>

QAPluginLoader::QAPluginLoader(const QString& fileName) : fileName_(fileName) {}

bool QAPluginLoader::load()
{
    if (isLoaded())
        return true;
    error_.clear();
    if (!handle_) {
        handle_ = dlopen(QFile::encodeName(fileName_).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle_) {
            const char* reason = dlerror();
            error_ = QString::fromLocal8Bit(reason ? reason : "cannot open the library");
            return false;
        }
    }
    using Query = const char* (*)();
    auto query = reinterpret_cast<Query>(dlsym(handle_, "qt_ucm_query_verification_data"));
    auto instantiate = reinterpret_cast<QUnknownInterface* (*)()>(dlsym(handle_, "ucm_instantiate"));
    if (!query || !instantiate) {
        error_ = QStringLiteral("%1 is not a plug-in: it lacks %2").arg(fileName_,
            query ? QStringLiteral("ucm_instantiate") : QStringLiteral("qt_ucm_query_verification_data"));
        return false;
    }
    record_ = query();
    QString why;
    if (!verify(record_, &why)) {
        error_ = QStringLiteral("%1 does not fit this host: %2").arg(fileName_, why);
        return false;
    }
    instantiate_ = instantiate;
    return true;
}

QUnknownInterface* QAPluginLoader::instantiate()
{
    return instantiate_ ? instantiate_() : nullptr;
}

QByteArray QAPluginLoader::expectedVerificationData()
{
    QByteArray flags;
    flags += QLibraryInfo::isDebugBuild() ? '1' : '0';
#if QT_CONFIG(thread)
    flags += '1';
#else
    flags += '0';
#endif
    return "pattern=QT_UCM_VERIFICATION_DATA\nversion=" + QByteArray(qVersion()) + "\nflags=" + flags +
           "\nbuildkey=" + QByteArray(QLibraryInfo::build());
}

bool QAPluginLoader::verify(const char* record, QString* why)
{
    auto refuse = [why](const QString& reason) {
        if (why)
            *why = reason;
        return false;
    };
    if (!record)
        return refuse(QStringLiteral("no verification record"));

    static const char* const keys[] = {"pattern", "version", "flags", "buildkey"};
    const QList<QByteArray> lines = QByteArray(record).split('\n');
    const QList<QByteArray> expected = expectedVerificationData().split('\n');
    if (lines.size() != 4)
        return refuse(QStringLiteral("the verification record has %1 lines instead of 4").arg(lines.size()));
    for (int i = 0; i < 4; ++i) {
        const QByteArray& line = lines[i];
        const qsizetype equals = line.indexOf('=');
        if (equals < 0 || line.left(equals) != keys[i])
            return refuse(QStringLiteral("line %1 of the verification record is not %2=...").arg(i + 1).arg(
                QLatin1String(keys[i])));
        if (line != expected[i]) {
            return refuse(QStringLiteral("%1 is \"%2\" where this host has \"%3\"")
                              .arg(QLatin1String(keys[i]), QString::fromLatin1(line.mid(equals + 1)),
                                   QString::fromLatin1(expected[i].mid(equals + 1))));
        }
    }
    if (why)
        why->clear();
    return true;
}
