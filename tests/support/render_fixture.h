#ifndef RENDER_FIXTURE_H
#define RENDER_FIXTURE_H

#include <html_page_data.h>
#include <layout.h>
#include <page_store.h>
#include <tcf.h>
#include <tdf.h>

#include "configured_reader.h"
#include "svg_document.h"

#include <gtest/gtest.h>

#include <memory>

// A reader over tests/data/render.tcf ("render", where every line pattern
// and arrow head has a style, and "hidden", which hides the world actor),
// with the pictures of what it read; the page's store follows every line.
class RenderTest : public ConfiguredReaderTest {
protected:
    RenderTest();

    void lines(std::initializer_list<const char*> texts);
    // Defines and selects block 1 of `configuration`: Task instances 1
    // "Client" and 2 "Server", Module 3 "Disk", messages 10 "get", 11 "put"
    // and 12 "stop", text 20 "busy".
    void defineBlock(const char* configuration = "render");
    Diagram layout(const RenderOptions& options = {});
    SvgDocument picture(const RenderOptions& options = {});
    // The page's data of what was read; no line may follow.
    const PageData& pageData(const QString& title = QString());

private:
    std::unique_ptr<PageStore> pages_;
    std::unique_ptr<PageData> pageData_;
};

#endif
