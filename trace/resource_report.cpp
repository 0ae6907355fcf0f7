#include "internal/resource_report.h"

#include "error.h"

#include <qares.h>

void tdf::internal::reportErrorAt(const QString& message, const QARes* node)
{
    Error::error(message, QString::fromLocal8Bit(node->srcFileName()), node->line(), node->column());
}
