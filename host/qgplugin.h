#ifndef QGPLUGIN_H
#define QGPLUGIN_H

// The toolkit's generic plug-in: a Qt object that hands its loader a
// component interface.

#include "qcom.h"

#include <QObject>

class QGPluginInterface;

class QGPlugin : public QObject {
    Q_OBJECT

public:
    // Takes over `iface`, which then belongs to this plug-in and is
    // destroyed with it.
    explicit QGPlugin(QGPluginInterface* iface);
    ~QGPlugin() override;

    QUnknownInterface* iface() const;

private:
    QGPluginInterface* iface_;
};

// The interface object of a plug-in: counts references and destroys its
// plug-in (and with it itself) when the last one is released. It starts
// with one reference, which belongs to whoever instantiates the plug-in.
// It answers IID_QUnknown and the identifiers that `provides` accepts.
class QGPluginInterface : public QUnknownInterface {
public:
    QGPluginInterface() = default;
    virtual ~QGPluginInterface() = default;
    QGPluginInterface(const QGPluginInterface&) = delete;
    QGPluginInterface& operator=(const QGPluginInterface&) = delete;

    QRESULT queryInterface(const QUuid& iid, QUnknownInterface** iface) override;
    unsigned long addRef() override;
    unsigned long release() override;

    QGPlugin* plugin() const { return plugin_; }
    unsigned long refCount() const { return refs_; }

protected:
    virtual bool provides(const QUuid& iid) const;

private:
    friend class QGPlugin;
    QGPlugin* plugin_ = nullptr;
    unsigned long refs_ = 1;
};

#endif
