#ifndef QAWORKSPACE_H
#define QAWORKSPACE_H

// The host's workspace: the component that knows the view the user works
// in and, in that view, the current node. Nodes of the host's own project
// tree are QAStNodes, which carry a configuration of named values.

#include "qcom.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <QVariant>

// {40b3f9a8-a24e-47fc-9aae-6ba680932e38}
#define IID_QAIWorkspace QUuid(0x40b3f9a8, 0xa24e, 0x47fc, 0x9a, 0xae, 0x6b, 0xa6, 0x80, 0x93, 0x2e, 0x38)

class QANode : public QObject {
    Q_OBJECT

public:
    explicit QANode(const QString& name = QString(), QObject* parent = nullptr);
    ~QANode() override;

    // Null when the node has no name.
    virtual QString nodeName() const { return name_; }

private:
    QString name_;
};

// The named values that configure a node.
class QAStConfiguration {
public:
    // An invalid QVariant for a key that is not set.
    QVariant configurationValue(const QString& key) const { return values_.value(key); }
    void setConfigurationValue(const QString& key, const QVariant& value) { values_.insert(key, value); }

private:
    QMap<QString, QVariant> values_;
};

class QAStNode : public QANode {
    Q_OBJECT

public:
    explicit QAStNode(const QString& name = QString(), QObject* parent = nullptr);
    ~QAStNode() override;

    // Null when the node has none; the node keeps ownership.
    QAStConfiguration* currentConfiguration() const { return configuration_; }
    // Does not take ownership; null removes it.
    void setCurrentConfiguration(QAStConfiguration* configuration) { configuration_ = configuration; }

private:
    QAStConfiguration* configuration_ = nullptr;
};

class QAView {
public:
    virtual ~QAView();
    // Null when no node is current.
    virtual QANode* activeNode() const { return activeNode_; }
    void setActiveNode(QANode* node) { activeNode_ = node; }

private:
    QANode* activeNode_ = nullptr;
};

struct QAIWorkspace : QUnknownInterface {
    // Null when no view is active.
    virtual QAView* activeView() = 0;

protected:
    ~QAIWorkspace() = default;
};

// A workspace that a host program fills in. Like QAStudio it belongs to the
// host: the reference count is kept but never destroys it.
class QAWorkspace : public QAIWorkspace {
public:
    QAWorkspace() = default;
    virtual ~QAWorkspace() = default;
    QAWorkspace(const QAWorkspace&) = delete;
    QAWorkspace& operator=(const QAWorkspace&) = delete;

    // Answers IID_QUnknown and IID_QAIWorkspace.
    QRESULT queryInterface(const QUuid& iid, QUnknownInterface** iface) override;
    unsigned long addRef() override;
    unsigned long release() override;

    QAView* activeView() override { return activeView_; }
    void setActiveView(QAView* view) { activeView_ = view; }

    unsigned long refCount() const { return refs_; }

private:
    QAView* activeView_ = nullptr;
    unsigned long refs_ = 0;
};

#endif
