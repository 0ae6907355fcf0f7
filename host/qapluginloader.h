#ifndef QAPLUGINLOADER_H
#define QAPLUGINLOADER_H

// How the host loads a plug-in library: it opens the library, reads its
// verification record and refuses it unless the record fits the host's own
// Qt, then instantiates plug-ins through the library's entry point. A
// loaded library is never unloaded: its plug-ins' classes must outlive
// every object made from them.

#include "qcom.h"

#include <QByteArray>
#include <QString>

class QAPluginLoader {
public:
    explicit QAPluginLoader(const QString& fileName);
    QAPluginLoader(const QAPluginLoader&) = delete;
    QAPluginLoader& operator=(const QAPluginLoader&) = delete;

    // Opens the library, resolves both entry points and checks the record.
    // True when plug-ins may be instantiated; otherwise errorString() says
    // why.
    bool load();
    bool isLoaded() const { return instantiate_ != nullptr; }
    QString errorString() const { return error_; }
    // The library's record, null until the library was opened.
    const char* verificationData() const { return record_; }

    // A new plug-in's component interface, holding one reference for the
    // caller (releasing it destroys the plug-in); null before load().
    QUnknownInterface* instantiate();

    // The record that a plug-in built for this host's Qt carries: four
    // lines "pattern=QT_UCM_VERIFICATION_DATA", "version=" the Qt version,
    // "flags=" two characters ('1' when Qt is a debug build, then '1' when it
    // supports threads) and "buildkey=" Qt's description of its build.
    static QByteArray expectedVerificationData();
    // True when `record` is exactly the expected record; otherwise false
    // with the reason in *why.
    static bool verify(const char* record, QString* why = nullptr);

private:
    QString fileName_;
    void* handle_ = nullptr;
    const char* record_ = nullptr;
    QUnknownInterface* (*instantiate_)() = nullptr;
    QString error_;
};

#endif
