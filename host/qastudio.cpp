#include "qastudio.h"

QRESULT QAStudio::queryInterface(const QUuid& iid, QUnknownInterface** iface)
{
    if (!iface)
        return QE_INVALIDARG;
    if (iid != IID_QUnknown && iid != IID_QAIStudio) {
        *iface = nullptr;
        return QE_NOINTERFACE;
    }
    *iface = this;
    addRef();
    return QS_OK;
}

unsigned long QAStudio::addRef()
{
    return ++refs_;
}

unsigned long QAStudio::release()
{
    if (refs_ > 0)
        --refs_;
    return refs_;
}

QRESULT QAStudio::componentInterface(const QString& name, const QUuid& iid, QUnknownInterface** iface)
{
    if (!iface)
        return QE_INVALIDARG;
    *iface = nullptr;
    QUnknownInterface* found = component(name);
    if (!found)
        return QE_NOCOMPONENT;
    return found->queryInterface(iid, iface);
}

QStringList QAStudio::componentsProviding(const QUuid& iid)
{
    QStringList names;
    for (const auto& entry : components_) {
        QUnknownInterface* iface = nullptr;
        if (entry.second->queryInterface(iid, &iface) == QS_OK && iface) {
            iface->release();
            names.append(entry.first);
        }
    }
    return names;
}

void QAStudio::addComponent(const QString& name, QUnknownInterface* component)
{
    for (auto entry = components_.begin(); entry != components_.end(); ++entry) {
        if (entry->first == name) {
            if (component)
                entry->second = component;
            else
                components_.erase(entry);
            return;
        }
    }
    if (component)
        components_.append({name, component});
}

QUnknownInterface* QAStudio::component(const QString& name) const
{
    for (const auto& entry : components_)
        if (entry.first == name)
            return entry.second;
    return nullptr;
}
