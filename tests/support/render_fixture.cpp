#include "render_fixture.h"

#include <svg_writer.h>

RenderTest::RenderTest() : ConfiguredReaderTest(TEST_DATA_DIR "/render.tcf") {}

void RenderTest::lines(std::initializer_list<const char*> texts)
{
    for (const char* text : texts)
        reader->read(text, nullptr, nullptr);
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
