#include "qaworkspace.h"

QANode::QANode(const QString& name, QObject* parent) : QObject(parent), name_(name) {}

QANode::~QANode() = default;

QAStNode::QAStNode(const QString& name, QObject* parent) : QANode(name, parent) {}

QAStNode::~QAStNode() = default;

QAView::~QAView() = default;

QRESULT QAWorkspace::queryInterface(const QUuid& iid, QUnknownInterface** iface)
{
    if (!iface)
        return QE_INVALIDARG;
    if (iid != IID_QUnknown && iid != IID_QAIWorkspace) {
        *iface = nullptr;
        return QE_NOINTERFACE;
    }
    *iface = this;
    addRef();
    return QS_OK;
}

unsigned long QAWorkspace::addRef()
{
    return ++refs_;
}

unsigned long QAWorkspace::release()
{
    if (refs_ > 0)
        --refs_;
    return refs_;
}
