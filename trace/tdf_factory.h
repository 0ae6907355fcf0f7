#ifndef TDF_FACTORY_H
#define TDF_FACTORY_H

// Makes every trace and static-model object the reader creates. A client
// derives from it and overrides any operation to have the reader build its
// own subclasses; each operation returns a new object with its defaults.

#include "export.h"
#include "tdf_db.h"
#include "tdf_objects.h"

class InstanceType;

// Makes the objects the reader creates; a client may override any maker.
class TDF_EXPORT TDFFactory {
public:
    // Virtual so that a client's factory can be deleted through this class.
    virtual ~TDFFactory();

    virtual TDFNote* newTDFNote();
    virtual TDFGlyph* newTDFGlyph();
    virtual TDFSynchronisation* newTDFSynchronisation();
    virtual TDFAction* newTDFAction();
    virtual TDFLoopStart* newTDFLoopStart();
    virtual TDFLoopEnd* newTDFLoopEnd();
    virtual TDFInstance* newTDFInstance();
    virtual TDFInstanceDelete* newTDFInstanceDelete();
    virtual TDFInstanceDeleteAll* newTDFInstanceDeleteAll();
    virtual TDFMessageReturn* newTDFMessageReturn();
    virtual TDFMessageCall* newTDFMessageCall();
    virtual TDFMessage* newTDFMessage();
    virtual TDFDefinitionBlock* newTDFDefinitionBlock();
    virtual TDFThreadInfo* newTDFThreadInfo();
    virtual TDFThread* newTDFThread();
    virtual TDFNewTrace* newTDFNewTrace();
    virtual TDFExternalTrigger* newTDFExternalTrigger();
    virtual TDFTriggerStart* newTDFTriggerStart();
    virtual TDFTriggerStop* newTDFTriggerStop();
    virtual TDFDBSource* newTDFDBSource();
    virtual TDFDBObject* newTDFDBObject(TDFDBObjectType type, unsigned long long id, const QString& name);
    virtual TDFDBMessage* newTDFDBMessage(unsigned long long id, const QString& name);
    virtual TDFDBInstance* newTDFDBInstance(unsigned long long id, InstanceType* type, const QString& name);
    virtual TDFDBText* newTDFDBText(unsigned long long id, const QString& text);
};

#endif
