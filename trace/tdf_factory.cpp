#include "tdf_factory.h"

TDFFactory::~TDFFactory() = default;

TDFNote* TDFFactory::newTDFNote() { return new TDFNote; }
TDFGlyph* TDFFactory::newTDFGlyph() { return new TDFGlyph; }
TDFSynchronisation* TDFFactory::newTDFSynchronisation() { return new TDFSynchronisation; }
TDFAction* TDFFactory::newTDFAction() { return new TDFAction; }
TDFLoopStart* TDFFactory::newTDFLoopStart() { return new TDFLoopStart; }
TDFLoopEnd* TDFFactory::newTDFLoopEnd() { return new TDFLoopEnd; }
TDFInstance* TDFFactory::newTDFInstance() { return new TDFInstance; }
TDFInstanceDelete* TDFFactory::newTDFInstanceDelete() { return new TDFInstanceDelete; }
TDFInstanceDeleteAll* TDFFactory::newTDFInstanceDeleteAll() { return new TDFInstanceDeleteAll; }
TDFMessageReturn* TDFFactory::newTDFMessageReturn() { return new TDFMessageReturn; }
TDFMessageCall* TDFFactory::newTDFMessageCall() { return new TDFMessageCall; }
TDFMessage* TDFFactory::newTDFMessage() { return new TDFMessage; }
TDFDefinitionBlock* TDFFactory::newTDFDefinitionBlock() { return new TDFDefinitionBlock; }
TDFThreadInfo* TDFFactory::newTDFThreadInfo() { return new TDFThreadInfo; }
TDFThread* TDFFactory::newTDFThread() { return new TDFThread; }
TDFNewTrace* TDFFactory::newTDFNewTrace() { return new TDFNewTrace; }
TDFExternalTrigger* TDFFactory::newTDFExternalTrigger() { return new TDFExternalTrigger; }
TDFTriggerStart* TDFFactory::newTDFTriggerStart() { return new TDFTriggerStart; }
TDFTriggerStop* TDFFactory::newTDFTriggerStop() { return new TDFTriggerStop; }
TDFDBSource* TDFFactory::newTDFDBSource() { return new TDFDBSource; }

TDFDBObject* TDFFactory::newTDFDBObject(TDFDBObjectType type, unsigned long long id, const QString& name)
{
    return new TDFDBObject(type, id, name);
}

TDFDBMessage* TDFFactory::newTDFDBMessage(unsigned long long id, const QString& name)
{
    return new TDFDBMessage(id, name);
}

TDFDBInstance* TDFFactory::newTDFDBInstance(unsigned long long id, InstanceType* type, const QString& name)
{
    return new TDFDBInstance(id, type, name);
}

TDFDBText* TDFFactory::newTDFDBText(unsigned long long id, const QString& text)
{
    return new TDFDBText(id, text);
}
