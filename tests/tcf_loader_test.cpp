#include <naming.h>
#include <resource_reader.h>
#include <style.h>
#include <tcf.h>
#include <tcf_loader.h>

#include "error_recorder.h"
#include "resource_text.h"

#include <QFile>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Owns a loaded list together with its configurations.
struct Loaded {
    std::unique_ptr<QARes> resources;
    std::unique_ptr<TCFList> list;
    Loaded() = default;
    Loaded(Loaded&&) = default;
    ~Loaded()
    {
        if (list)
            list->deleteConfigurations();
    }
};

Loaded loadFile(const QString& path)
{
    Loaded loaded;
    bool ok = false;
    loaded.resources.reset(readResourceFile(path, &ok));
    EXPECT_TRUE(ok);
    loaded.list.reset(readTCFFromResources(loaded.resources.get(), nullptr));
    return loaded;
}

Loaded loadText(const char* text, StyleFactory factory = nullptr)
{
    Loaded loaded;
    loaded.resources = parseResources(text);
    loaded.list.reset(readTCFFromResources(loaded.resources.get(), factory));
    return loaded;
}

struct ExpectedReport {
    const char* message;
    // The text found at the report's position; a '|' marks the position
    // when it is not at the start. The text without '|' occurs once in the
    // file.
    const char* anchor;
};

// Line and column (1-based) of the anchor in `text`.
std::pair<int, int> positionOf(const std::string& text, std::string anchor)
{
    size_t mark = anchor.find('|');
    size_t offset = mark == std::string::npos ? 0 : mark;
    if (mark != std::string::npos)
        anchor.erase(mark, 1);
    size_t at = text.find(anchor);
    EXPECT_NE(at, std::string::npos) << anchor;
    EXPECT_EQ(text.find(anchor, at + 1), std::string::npos) << "anchor occurs twice: " << anchor;
    at += offset;
    size_t lineStart = text.rfind('\n', at);
    lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
    int line = 1 + int(std::count(text.begin(), text.begin() + long(at), '\n'));
    return {line, int(at - lineStart) + 1};
}

const ExpectedReport faultyReports[] = {
    {"tcf must be a group", "tcf = \"not a group\""},
    {"tcf.name must be a defined string", "tcf = { comment = \"has no name\" }"},
    {"tcf.name must be a string", "name = NAMELESS"},
    {"tcf.id_length must be an integer", "id_length = \"1\""},
    {"tcf.control_flow must be FLAT or NESTED identifier.", "control_flow = nested"},
    {"tcf.control_flow must be FLAT or NESTED identifier.", "control_flow = \"NESTED\""},
    {"tcf.comment must be a string", "comment = 1"},
    {"tcf.public_name must be a string", "public_name = PUBLIC"},
    {"tcf.display_world_actor must be a boolean", "display_world_actor = 1"},
    {"tcf.loop_naming must be a list", "loop_naming = \"loop\""},
    {"unknown identifier into tcf.loop_naming list", "Loop_Repeat"},
    {"tcf.style must be a group", "style = 3"},
    {"tcf.style.name must be a defined string", "style = { id = 1 }"},
    {"tcf.style.name must be a string", "name = 2 id = 1"},
    {"tcf.style.id must be a defined integer", "style = { name = \"no id\" }"},
    {"tcf.style.id must be an integer", "id = \"1\""},
    {"tcf.style.id \"2\" already defined.", "\"two again\" |id = 2"},
    {"tcf.style.text.size must be an integer", "size = \"big\""},
    {"tcf.style.text must be a group", "text = 1"},
    {"tcf.style.text.color must be a rgb value", "color = 7"},
    {"tcf.style.text.font must be a string", "font = F"},
    {"tcf.style.text.style must be an identifier or an identifier list", "style = \"BOLD\""},
    {"tcf.style.text.style must be an identifier list", "style = [BOLD, 10]"},
    {"tcf.style.background.color must be a rgb value", "color = \"white\""},
    {"tcf.style.background must be a group", "background = 12"},
    {"tcf.style.line.style must be an identifier", "style = \"DOT_LINE\""},
    {"tcf.style.line.arrow must be an identifier", "arrow = 14"},
    {"tcf.style.line.color must be a rgb value", "color = 15"},
    {"tcf.style.line must be a group", "line = []"},
    {"tcf.default_style.instance must be a group", "instance = 2"},
    {"tcf.default_style.message.return must be an integer", "return = \"2\""},
    {"undefined style 9 for tcf.default_style.message.note", "note = 9"},
    {"undefined style 6 for tcf.default_style.time", "time = 6"},
    {"tcf.instance_type must be a group", "instance_type = 1"},
    {"tcf.instance_type.id must be a defined identifier", "instance_type = { icon_tag = \"no id\" }"},
    {"tcf.instance_type.id must be an identifier", "id = \"Task\""},
    {"tcf.instance_type \"Task\" already defined.", "id = Task icon_tag = \"again\""},
    {"tcf.instance_type.icon_tag must be a string", "icon_tag = 1"},
    {"tcf.instance_type.control_flow must be a defined identifier", "control_flow = Nested"},
    {"undefined style 6 for tcf.instance_type.style.\n", "BadStyle |style = 6"},
    {"tcf.instance_type.style must be an integer", "instance_type = { id = StringStyle"},
    {"tcf.instance_type.naming must be a list", "instance_type = { id = BadNaming"},
    {"unhandled resource type (3) into tcf.instance_type.naming list", "77"},
    {"tcf.thread_state must be a group", "thread_state = \"running\""},
    {"tcf.thread_state.id must be an integer", "thread_state = { name = \"no id\" }"},
    {"tcf.thread_state.name must defined.", "thread_state = { id = 1 }"},
    {"tcf.thread_state \"1\" already defined.", "id = 1 name = \"running again\""},
    {"tcf.thread_state.name must be a string", "name = 2 }"},
    {"tcf.thread_state.is_active_state must be a boolean", "is_active_state = yes"},
    {"tcf.thread_state.id must be an integer", "id = \"4\""},
    {"tcf.glyph must be a group", "glyph = 5"},
    {"tcf.glyph.id must be an integer", "glyph = { name = \"glyph without id\" }"},
    {"tcf.glyph.name must defined.", "glyph = { id = 1 }"},
    {"tcf.glyph \"1\" already defined.", "id = 1 name = \"odd again\""},
    {"tcf.glyph.type must be an identifier", "type = \"UNEXPECTED_CALL\""},
    {"tcf.glyph.icon_tag must be a string", "icon_tag = ICON"},
};

TEST(TCFLoader, FaultyFileReportsEveryFaultAtItsPosition)
{
    const QString path = TEST_DATA_DIR "/faulty.tcf";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::string text = file.readAll().toStdString();

    ErrorRecorder recorder;
    Loaded loaded = loadFile(path);
    const std::vector<Report>& reports = recorder.reports();
    const size_t expectedCount = sizeof faultyReports / sizeof faultyReports[0];
    EXPECT_EQ(reports.size(), expectedCount);
    EXPECT_EQ(Error::error_count_, int(expectedCount));
    EXPECT_EQ(Error::warn_count_, 0);
    for (size_t i = 0; i < std::min(reports.size(), expectedCount); ++i) {
        const ExpectedReport& expected = faultyReports[i];
        auto [line, column] = positionOf(text, expected.anchor);
        EXPECT_EQ(reports[i].message.toStdString(), expected.message) << "report " << i;
        EXPECT_EQ(reports[i].file, path) << "report " << i;
        EXPECT_EQ(reports[i].line, line) << "report " << i << ": " << expected.message;
        EXPECT_EQ(reports[i].column, column) << "report " << i << ": " << expected.message;
        EXPECT_EQ(reports[i].severity, Error::ERROR);
    }
}

TEST(TCFLoader, FaultyFileKeepsWhatIsSound)
{
    ErrorRecorder recorder;
    Loaded loaded = loadFile(TEST_DATA_DIR "/faulty.tcf");
    ASSERT_NE(loaded.list, nullptr);
    ASSERT_EQ(loaded.list->count, 2);
    TCF* tcf = loaded.list->search("kept");
    ASSERT_NE(tcf, nullptr);
    EXPECT_EQ(tcf->idLength(), -2);
    EXPECT_EQ(tcf->loopNaming, nullptr);
    EXPECT_EQ(loaded.list->last()->value->comment(), "same name, second");

    ASSERT_EQ(tcf->styles().count, 2);
    Style* two = tcf->style(2);
    Style* four = tcf->style(4);
    ASSERT_NE(two, nullptr);
    ASSERT_NE(four, nullptr);
    EXPECT_EQ(two->name(), "two");
    EXPECT_EQ(four->textColor(), RGBValue(1, 2, 3));

    EXPECT_EQ(tcf->defaultStyle(TCF::OBJ_WORLD), four);
    EXPECT_EQ(tcf->defaultStyle(TCF::OBJ_MESSAGE_BODY), four);
    EXPECT_EQ(tcf->defaultStyle(TCF::OBJ_LOOP_START), four);
    for (TCF::Object kept : {TCF::OBJ_INSTANCE_TITLE, TCF::OBJ_MESSAGE_RETURN, TCF::OBJ_MESSAGE_NOTE, TCF::OBJ_TIME,
                             TCF::OBJ_LOOP_END, TCF::OBJ_ACTION})
        EXPECT_EQ(tcf->defaultStyle(kept), two) << kept;

    ASSERT_EQ(tcf->instanceTypes().count, 3);
    InstanceType* task = tcf->instanceType("Task");
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(task->style, four);
    EXPECT_TRUE(task->controlFlowSet);
    EXPECT_FALSE(task->nestedControlFlow());
    ASSERT_NE(task->naming, nullptr);
    EXPECT_EQ(Naming::processInstance(task->naming, 0, "T"), "T");
    InstanceType* faultyNaming = tcf->instanceType("FaultyNaming");
    ASSERT_NE(faultyNaming, nullptr);
    EXPECT_EQ(faultyNaming->naming, nullptr);
    EXPECT_NE(tcf->instanceType("task"), nullptr);

    ASSERT_EQ(tcf->threadStates().count, 1);
    EXPECT_EQ(tcf->threadState(1)->name, "running");
    EXPECT_TRUE(tcf->threadState(1)->isActiveState);

    ASSERT_EQ(tcf->glyphs().count, 3);
    EXPECT_EQ(tcf->glyph(1)->name, "odd");
    EXPECT_EQ(tcf->glyph(1)->type, Glyph::GLYPH_NONE);
    EXPECT_EQ(tcf->glyph(4)->type, Glyph::GLYPH_NONE);
    EXPECT_EQ(tcf->glyph(5)->type, Glyph::UNEXPECTED_CALL);
}

TEST(TCFLoader, NullRootGivesNoListAndNoConfigurationGivesAnEmptyOne)
{
    ErrorRecorder recorder;
    EXPECT_EQ(readTCFFromResources(nullptr, nullptr), nullptr);
    Loaded loaded = loadText("style = { name = \"s\" id = 1 }\nother = 2");
    ASSERT_NE(loaded.list, nullptr);
    EXPECT_EQ(loaded.list->count, 0);
    EXPECT_TRUE(recorder.reports().empty());
}

TEST(TCFLoader, ConfigurationWithOnlyANameTakesTheDefaults)
{
    ErrorRecorder recorder;
    Loaded loaded = loadText("tcf = { name = \"bare\" }");
    ASSERT_EQ(loaded.list->count, 1);
    TCF* tcf = loaded.list->head->value;
    EXPECT_EQ(tcf->name(), "bare");
    EXPECT_EQ(tcf->idLength(), 1);
    EXPECT_FALSE(tcf->nestedControlFlow());
    EXPECT_EQ(tcf->styles().count, 0);
    for (int object = 0; object < TCF::objectCount; ++object)
        EXPECT_EQ(tcf->defaultStyle(TCF::Object(object)), nullptr);
    EXPECT_TRUE(tcf->displayWorldActor);
    EXPECT_EQ(tcf->loopNaming, nullptr);
    EXPECT_TRUE(tcf->comment().isNull());
    EXPECT_EQ(tcf->publicName(), "bare");
    EXPECT_TRUE(recorder.reports().empty());
}

TEST(TCFLoader, FirstKeyWinsAndEntriesRepeatInOrder)
{
    ErrorRecorder recorder;
    Loaded loaded = loadText("tcf = { name = \"first\" name = \"second\" id_length = 3 id_length = \"x\"\n"
                             "  style = { name = \"a\" id = 1 } style = { name = \"b\" id = 2 } }");
    ASSERT_EQ(loaded.list->count, 1);
    TCF* tcf = loaded.list->head->value;
    EXPECT_EQ(tcf->name(), "first");
    EXPECT_EQ(tcf->idLength(), 3);
    EXPECT_EQ(tcf->defaultStyle()->name(), "a");
    EXPECT_EQ(tcf->styles().head->next->value->name(), "b");
    EXPECT_TRUE(recorder.reports().empty());
}

// Records the setters the loader calls on the styles it makes.
class TracedStyle : public Style {
public:
    TracedStyle(const QString& name, int id) : Style(name, id) {}
    std::vector<std::string> calls;
    void setTextColor(const RGBValue& c) override { calls.push_back("text"); Style::setTextColor(c); }
    void setFontSize(int s) override { calls.push_back("size"); Style::setFontSize(s); }
    void composeFontStyle(Style::Font f) override { calls.push_back("compose"); Style::composeFontStyle(f); }
    void setBackColor(const RGBValue& c) override { calls.push_back("back"); Style::setBackColor(c); }
    void setArrowStyle(Style::Arrow a) override { calls.push_back("arrow"); Style::setArrowStyle(a); }
};

std::vector<std::pair<QString, int>> factoryCalls;

Style* makeTracedStyle(const QString& name, int id)
{
    factoryCalls.emplace_back(name, id);
    return new TracedStyle(name, id);
}

TEST(TCFLoader, StyleFactoryMakesTheStylesThatPassTheirChecks)
{
    ErrorRecorder recorder;
    factoryCalls.clear();
    Loaded loaded = loadText("tcf = { name = \"f\"\n"
                             "  style = { name = \"one\" id = 1\n"
                             "    line = { arrow = OPEN_ARROW } background = { color = rgb(1,1,1) }\n"
                             "    text = { style = [BOLD, ITALIC] size = 8 color = rgb(2,2,2) } }\n"
                             "  style = { name = \"dup\" id = 1 }\n"
                             "  style = { name = \"lost\" id = 3 text = { color = rgb(3,3,3) size = \"x\" } } }",
                             makeTracedStyle);
    ASSERT_EQ(factoryCalls.size(), 2u);
    EXPECT_EQ(factoryCalls[0], std::make_pair(QString("one"), 1));
    EXPECT_EQ(factoryCalls[1], std::make_pair(QString("lost"), 3));
    ASSERT_EQ(recorder.reports().size(), 2u);

    TCF* tcf = loaded.list->head->value;
    ASSERT_EQ(tcf->styles().count, 1);
    auto* traced = dynamic_cast<TracedStyle*>(tcf->style(1));
    ASSERT_NE(traced, nullptr);
    EXPECT_EQ(traced->calls, (std::vector<std::string>{"text", "size", "compose", "compose", "back", "arrow"}));
    EXPECT_EQ(traced->fontStyle(), Style::BOLD | Style::ITALIC);
}

TEST(TCFLoader, IdLengthBeyondWhatATraceCanSelectGivesTheConfigurationUp)
{
    ErrorRecorder recorder;
    Loaded loaded = loadText("tcf = { name = \"nine\" id_length = 9 }\n"
                             "tcf = { name = \"ten\" id_length = 10 }\n"
                             "tcf = { name = \"huge\" id_length = 2000000000 }");
    ASSERT_EQ(loaded.list->count, 1);
    EXPECT_EQ(loaded.list->head->value->idLength(), 9);
    ASSERT_EQ(recorder.reports().size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(recorder.reports()[i].message, "tcf.id_length must be at most 9");
        EXPECT_EQ(recorder.reports()[i].line, i + 2);
        EXPECT_EQ(recorder.reports()[i].column, i == 0 ? 22 : 23);
    }
}

TEST(TCFLoader, SameNamedConfigurationsBothLoad)
{
    ErrorRecorder recorder;
    Loaded loaded = loadText("tcf = { name = \"x\" id_length = 1 }\ntcf = { name = \"x\" id_length = 2 }");
    ASSERT_EQ(loaded.list->count, 2);
    EXPECT_EQ(loaded.list->search("x")->idLength(), 1);
}

TEST(TCFLoader, ExampleConfigurationLoadsCleanly)
{
    ErrorRecorder recorder;
    Loaded loaded = loadFile(EXAMPLES_DIR "/default.tcf");
    EXPECT_TRUE(recorder.reports().empty());
    ASSERT_NE(loaded.list, nullptr);
    ASSERT_EQ(loaded.list->count, 1);
    TCF* tcf = loaded.list->search("default");
    ASSERT_NE(tcf, nullptr);
    EXPECT_EQ(tcf->publicName(), "Default configuration");
    EXPECT_EQ(tcf->idLength(), 1);
    EXPECT_TRUE(tcf->nestedControlFlow());
    EXPECT_TRUE(tcf->displayWorldActor);
    EXPECT_EQ(Naming::processLoop(tcf->loopNaming, 0, "2.1", 5), "loop 2.1 (x5)");

    EXPECT_EQ(tcf->styles().count, 13);
    const std::pair<TCF::Object, int> expectedSlots[] = {
        {TCF::OBJ_WORLD, 11},           {TCF::OBJ_INSTANCE_TITLE, 2},     {TCF::OBJ_INSTANCE_ACTIVATED, 3},
        {TCF::OBJ_INSTANCE_DESACTIVATED, 4}, {TCF::OBJ_INSTANCE_DELETE, 5}, {TCF::OBJ_INSTANCE_NOTE, 6},
        {TCF::OBJ_MESSAGE_BODY, 7},     {TCF::OBJ_MESSAGE_RETURN, 8},     {TCF::OBJ_MESSAGE_NOTE, 6},
        {TCF::OBJ_SYNCHRONISATION, 9},  {TCF::OBJ_ACTION, 10},            {TCF::OBJ_LOOP_START, 12},
        {TCF::OBJ_LOOP_END, 12},        {TCF::OBJ_TIME, 13}};
    for (const auto& [object, id] : expectedSlots) {
        ASSERT_NE(tcf->defaultStyle(object), nullptr) << object;
        EXPECT_EQ(tcf->defaultStyle(object)->id(), id) << object;
    }
    EXPECT_EQ(tcf->style(11)->fontStyle(), Style::BOLD | Style::ITALIC);
    EXPECT_EQ(tcf->style(8)->arrowStyle(), Style::OPEN_ARROW);

    EXPECT_EQ(tcf->instanceTypes().count, 4);
    EXPECT_TRUE(tcf->instanceType("Task")->nestedControlFlow());
    EXPECT_FALSE(tcf->instanceType("Module")->nestedControlFlow());
    EXPECT_EQ(tcf->instanceType("Task")->style, tcf->style(2));
    EXPECT_EQ(Naming::processInstance(tcf->instanceType("Object")->naming, 3, "Sensor"), "Sensor#3");
    EXPECT_EQ(Naming::processInstance(tcf->instanceType("Module")->naming, 0, "io"), "obj0:io");

    EXPECT_EQ(tcf->threadStates().count, 5);
    EXPECT_EQ(tcf->threadState(1)->name, "running");
    EXPECT_TRUE(tcf->threadState(1)->isActiveState);
    EXPECT_FALSE(tcf->threadState(2)->isActiveState);

    EXPECT_EQ(tcf->glyphs().count, 4);
    EXPECT_EQ(tcf->glyph(1)->type, Glyph::UNEXPECTED_CALL);
    EXPECT_EQ(tcf->glyph(2)->type, Glyph::VERIFICATION_POINT_FAILED);
    EXPECT_EQ(tcf->glyph(3)->type, Glyph::UNEXPECTED_DATA);
    EXPECT_EQ(tcf->glyph(4)->type, Glyph::GLYPH_NONE);
    EXPECT_EQ(tcf->glyph(3)->iconTag, "glyph_data");
}

}
