#ifndef QAISTUDIO_H
#define QAISTUDIO_H

// The host studio: the services that the host offers its plug-ins.

#include "qcom.h"

#include <QString>
#include <QStringList>

class QAOutputWindow;

// {cedeb1c6-d23b-431d-a038-1275cd056913}
#define IID_QAIStudio QUuid(0xcedeb1c6, 0xd23b, 0x431d, 0xa0, 0x38, 0x12, 0x75, 0xcd, 0x05, 0x69, 0x13)

struct QAIStudio : QUnknownInterface {
    // Stores in *iface the interface `iid` of the component named
    // `component` (with a reference added), or null when there is no such
    // component or it lacks the interface.
    virtual QRESULT componentInterface(const QString& component, const QUuid& iid, QUnknownInterface** iface) = 0;
    // Names of the components that provide the interface `iid`, in the
    // order they were made known to the studio.
    virtual QStringList componentsProviding(const QUuid& iid) = 0;
    virtual QAOutputWindow* outputWindow() = 0;
    // Directory of the plug-ins' icons.
    virtual QString iconDirectory() = 0;
    // Directory of the scripts that plug-ins run.
    virtual QString scriptDirectory() = 0;
    // The leading words of a command line that runs a script: the
    // interpreter and its options; the script and its arguments follow.
    virtual QStringList scriptCommand() = 0;

protected:
    ~QAIStudio() = default;
};

#endif
