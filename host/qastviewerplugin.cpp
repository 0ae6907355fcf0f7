#include "qastviewerplugin.h"

QAStViewerPlugin* QAStViewerPluginInterface::viewerPlugin() const
{
    return static_cast<QAStViewerPlugin*>(plugin());
}

bool QAStViewerPluginInterface::provides(const QUuid& iid) const
{
    return iid == IID_QAStViewerPlugin;
}

QAStViewerPlugin::QAStViewerPlugin() : QGPlugin(new QAStViewerPluginInterface) {}

QAStViewerPlugin::~QAStViewerPlugin() = default;

QAStViewerPlugin* qaViewerPlugin(QUnknownInterface* iface)
{
    if (!iface)
        return nullptr;
    QUnknownInterface* viewer = nullptr;
    if (iface->queryInterface(IID_QAStViewerPlugin, &viewer) != QS_OK || !viewer)
        return nullptr;
    QAStViewerPlugin* plugin = static_cast<QAStViewerPluginInterface*>(viewer)->viewerPlugin();
    viewer->release();
    return plugin;
}
