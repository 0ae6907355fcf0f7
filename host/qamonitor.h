#ifndef QAMONITOR_H
#define QAMONITOR_H

// Progress and log monitors of the host's long-running operations. Plug-ins
// receive them as handles and never look inside.
class QAIProgressMonitor;
class QAILogMonitor;

#endif
