#ifndef QCOM_H
#define QCOM_H

// The component model of the host's toolkit: interfaces are reached from
// one another through queryInterface with an interface identifier, and
// their lifetime follows a reference count.

#include <QUuid>

// Result code of the component operations.
using QRESULT = unsigned long;

constexpr QRESULT QS_OK = 0x00000000;
constexpr QRESULT QS_FALSE = 0x00000001;
constexpr QRESULT QE_NOTIMPL = 0x80000001;
constexpr QRESULT QE_INVALIDARG = 0x80000003;
constexpr QRESULT QE_NOINTERFACE = 0x80000004;
constexpr QRESULT QE_NOCOMPONENT = 0x80000005;

// {1d8518cd-e8f5-4366-99e8-879fd7e482de}
#define IID_QUnknown QUuid(0x1d8518cd, 0xe8f5, 0x4366, 0x99, 0xe8, 0x87, 0x9f, 0xd7, 0xe4, 0x82, 0xde)

struct QUnknownInterface {
    // Stores in *iface the interface `iid` of the same component, with one
    // reference added for the caller, and returns QS_OK; stores null and
    // returns QE_NOINTERFACE when the component has no such interface.
    virtual QRESULT queryInterface(const QUuid& iid, QUnknownInterface** iface) = 0;
    // Both return the new reference count.
    virtual unsigned long addRef() = 0;
    virtual unsigned long release() = 0;

protected:
    ~QUnknownInterface() = default;
};

#endif
