#ifndef DCPHOST_CONSOLE_APPLICATION_H
#define DCPHOST_CONSOLE_APPLICATION_H

#include <QApplication>

#include <memory>

// The application object of a console host: on the offscreen platform unless
// QT_QPA_PLATFORM names another. `argc` and `argv` must outlive it.
std::unique_ptr<QApplication> startConsoleApplication(int& argc, char** argv);

#endif
