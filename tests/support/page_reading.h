#ifndef PAGE_READING_H
#define PAGE_READING_H

// The HTML page of a trace read line by line through the page's store,
// streamed or whole.

#include <QByteArray>
#include <QString>

#include <string>

class PageData;
class TCFList;

// The page's bytes as the page writer writes them.
QByteArray pageBytes(const PageData& data);

QByteArray pageOfTrace(TCFList* configurations, const std::string& trace, bool streaming,
                       const QString& timeFormat = QString());

#endif
