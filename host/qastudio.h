#ifndef QASTUDIO_H
#define QASTUDIO_H

// A host studio that a host program fills in: its components, its output
// window, its directories and its script command. The host owns it (the
// reference count is kept but never destroys it) and keeps it alive while
// plug-ins may use it.

#include "qaistudio.h"

#include <QList>
#include <QPair>

class QAStudio : public QAIStudio {
public:
    QAStudio() = default;
    virtual ~QAStudio() = default;
    QAStudio(const QAStudio&) = delete;
    QAStudio& operator=(const QAStudio&) = delete;

    // Answers IID_QUnknown and IID_QAIStudio.
    QRESULT queryInterface(const QUuid& iid, QUnknownInterface** iface) override;
    unsigned long addRef() override;
    unsigned long release() override;

    QRESULT componentInterface(const QString& component, const QUuid& iid, QUnknownInterface** iface) override;
    QStringList componentsProviding(const QUuid& iid) override;
    QAOutputWindow* outputWindow() override { return outputWindow_; }
    QString iconDirectory() override { return iconDirectory_; }
    QString scriptDirectory() override { return scriptDirectory_; }
    QStringList scriptCommand() override { return scriptCommand_; }

    // Makes `component` known under `name`, replacing one of that name; a
    // null component removes the name. The caller keeps components alive as
    // long as the studio is used.
    void addComponent(const QString& name, QUnknownInterface* component);
    void setOutputWindow(QAOutputWindow* window) { outputWindow_ = window; }
    void setIconDirectory(const QString& directory) { iconDirectory_ = directory; }
    void setScriptDirectory(const QString& directory) { scriptDirectory_ = directory; }
    void setScriptCommand(const QStringList& words) { scriptCommand_ = words; }

    unsigned long refCount() const { return refs_; }

private:
    QUnknownInterface* component(const QString& name) const;

    QList<QPair<QString, QUnknownInterface*>> components_;
    QAOutputWindow* outputWindow_ = nullptr;
    QString iconDirectory_;
    QString scriptDirectory_;
    QStringList scriptCommand_;
    unsigned long refs_ = 0;
};

#endif
