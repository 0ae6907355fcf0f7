#include "console_application.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

std::unique_ptr<QApplication> startConsoleApplication(int& argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return std::make_unique<QApplication>(argc, argv);

    // Qt looks into the user's runtime directory while it starts and warns
    // when XDG_RUNTIME_DIR names none, as in a console without a login
    // session. It gets a private one (only the user may enter it, as Qt
    // wants) for that time; afterwards the environment is the user's again,
    // so the plug-in's children inherit it and no directory that goes away.
    const bool wasSet = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    const QByteArray previous = qgetenv("XDG_RUNTIME_DIR");
    QTemporaryDir runtime;
    if (runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    auto application = std::make_unique<QApplication>(argc, argv);
    if (wasSet)
        qputenv("XDG_RUNTIME_DIR", previous);
    else
        qunsetenv("XDG_RUNTIME_DIR");
    return application;
}
