#include "render_fixture.h"

#include <svg_writer.h>

RenderTest::RenderTest() : ConfiguredReaderTest(TEST_DATA_DIR "/render.tcf"), pages_(std::make_unique<PageStore>(*reader))
{
}

void RenderTest::lines(std::initializer_list<const char*> texts)
{
    EXPECT_EQ(pageData_, nullptr) << "the page is made";
    for (const char* text : texts)
        pages_->follow(reader->read(text, nullptr, nullptr));
}

const PageData& RenderTest::pageData(const QString& title)
{
    if (!pageData_) {
        pages_->finish();
        pageData_ = std::make_unique<PageData>(pages_->store(), pages_->looks(), title);
    }
    return *pageData_;
}

void RenderTest::defineBlock(const char* configuration)
{
    const QByteArray db = QByteArray("DB \"") + configuration + "\"";
    lines({db.constData(), "ID 1", "IN \"Task\" 1 \"Client\"", "IN \"Task\" 2 \"Server\"", "IN \"Module\" 3 \"Disk\"",
           "MS 10 \"get\"", "MS 11 \"put\"", "MS 12 \"stop\"", "TX 20 \"busy\"", "ED", "SF 1 1"});
    ASSERT_NE(reader->currentBlock, nullptr);
}

Diagram RenderTest::layout(const RenderOptions& options)
{
    return layoutDiagram(*reader, options);
}

SvgDocument RenderTest::picture(const RenderOptions& options)
{
    SvgDocument document(svgDocument(layout(options)));
    EXPECT_EQ(document.error, QString());
    return document;
}
