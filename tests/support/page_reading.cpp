#include "page_reading.h"

#include "rewrite_reading.h"

#include <html_page.h>
#include <html_page_data.h>
#include <page_store.h>
#include <tdf.h>

#include <gtest/gtest.h>

QByteArray pageBytes(const PageData& data)
{
    QByteArray page;
    const bool written = writeHtmlPage(data, [&page](const QByteArray& piece) {
        page += piece;
        return true;
    });
    EXPECT_TRUE(written);
    return page;
}

QByteArray pageOfTrace(TCFList* configurations, const std::string& trace, bool streaming, const QString& timeFormat)
{
    TDF reader(configurations);
    reader.setStreaming(streaming);
    reader.setTimeFormat(timeFormat);
    PageStore pages(reader);
    for (const std::string& line : traceLines(trace))
        pages.follow(reader.read(line.c_str(), nullptr, nullptr));
    reader.reportOpenBlocks();
    pages.finish();
    return pageBytes(PageData(pages.store(), pages.looks(), QStringLiteral("trace")));
}
