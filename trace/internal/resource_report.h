#ifndef TDF_RESOURCE_REPORT_H
#define TDF_RESOURCE_REPORT_H

// Reports a problem found in a resource tree at the file and position the
// node was read from.

#include <QString>

class QARes;

namespace tdf::internal {

void reportErrorAt(const QString& message, const QARes* node);

}

#endif
