#include "qgplugin.h"

QGPlugin::QGPlugin(QGPluginInterface* iface) : iface_(iface)
{
    iface_->plugin_ = this;
}

QGPlugin::~QGPlugin()
{
    delete iface_;
}

QUnknownInterface* QGPlugin::iface() const
{
    return iface_;
}

QRESULT QGPluginInterface::queryInterface(const QUuid& iid, QUnknownInterface** iface)
{
    if (!iface)
        return QE_INVALIDARG;
    if (iid != IID_QUnknown && !provides(iid)) {
        *iface = nullptr;
        return QE_NOINTERFACE;
    }
    *iface = this;
    addRef();
    return QS_OK;
}

unsigned long QGPluginInterface::addRef()
{
    return ++refs_;
}

unsigned long QGPluginInterface::release()
{
    if (refs_ == 0)
        return 0;
    if (--refs_ == 0) {
        // The plug-in destroys this interface: nothing of it may be touched
        // after this line.
        delete plugin_;
        return 0;
    }
    return refs_;
}

bool QGPluginInterface::provides(const QUuid&) const
{
    return false;
}
