#ifndef QASTVIEWERPLUGIN_H
#define QASTVIEWERPLUGIN_H

// The host's viewer plug-ins: the host asks a viewer for its identity and
// the files it accepts, hands it its own interface through `initialize` and
// the files that the user opens through `create`.

#include "qamonitor.h"
#include "qgplugin.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

class QARes;
class QToolBar;
class QWidget;

// {6f0c2a7e-3d41-4b8e-9a57-2c1e8d4f6b90}: the interface through which a
// loader reaches the viewer plug-in behind a component interface.
#define IID_QAStViewerPlugin QUuid(0x6f0c2a7e, 0x3d41, 0x4b8e, 0x9a, 0x57, 0x2c, 0x1e, 0x8d, 0x4f, 0x6b, 0x90)

class QAStViewerPlugin;

struct QAStViewerPluginInterface : QGPluginInterface {
    QAStViewerPlugin* viewerPlugin() const;

protected:
    bool provides(const QUuid& iid) const override;
};

class QAStViewerPlugin : public QGPlugin {
    Q_OBJECT

public:
    QAStViewerPlugin();
    ~QAStViewerPlugin() override;

    virtual QString name() const = 0;
    virtual QString description() const = 0;
    virtual QString author() const = 0;
    virtual QString version() const = 0;
    // `host` is the host's own interface (null when the host has none to
    // give); `resources` is the host's resource tree for the plug-in.
    virtual void initialize(QUnknownInterface* host, QARes* resources) = 0;
    // File patterns the viewer handles, each a ';'-separated list.
    virtual QStringList accept() = 0;
    // Entries for the host's file dialogs.
    virtual QStringList filters() = 0;
    // Opens `files`; returns the window it made, if any.
    virtual QWidget* create(QStringList& files, QWidget* parent, const char* name) = 0;
    virtual QWidget* create(QStringList& files, bool display, QWidget* parent, const char* name) = 0;
    // Exports the viewer's current document as `directory`/`name`.
    virtual void exportHTML(const QString& directory, const QString& name, QAIProgressMonitor* progress,
                            QAILogMonitor* log) = 0;
    virtual QWidget* openedWindow(const QString& file) = 0;
    virtual void connectAccepted(QObject* receiver, const char* member) = 0;
    virtual void connectRejected(QObject* receiver, const char* member) = 0;
    // The viewer's page in the host's preferences, null for none.
    virtual QWidget* preferenceSettings() = 0;
    virtual QString pluginName() = 0;
    virtual QString pluginIcon() = 0;
    virtual QString pluginDescription() = 0;
    virtual QString pluginCompanyName() = 0;
    virtual QString pluginCompanyIcon() = 0;
    virtual QString pluginCompanyDescription() = 0;
    virtual QString pluginCopyRight() = 0;
    virtual QString pluginVersion() = 0;
    virtual QDate pluginCreation() = 0;
    virtual QList<QToolBar*> toolbars() = 0;
};

// The viewer plug-in behind a component interface, null when `iface` is
// null or is not a viewer plug-in's. Adds no reference.
QAStViewerPlugin* qaViewerPlugin(QUnknownInterface* iface);

#endif
