#include <style.h>
#include <tcf.h>

#include <gtest/gtest.h>

namespace {

TEST(TCF, FreshConfigurationHasNoStylesAndFallsBackToItsName)
{
    TCF tcf("cfg", 2);
    EXPECT_EQ(tcf.name(), "cfg");
    EXPECT_EQ(tcf.idLength(), 2);
    EXPECT_EQ(tcf.defaultStyle(), nullptr);
    for (int object = 0; object < TCF::objectCount; ++object)
        EXPECT_EQ(tcf.defaultStyle(TCF::Object(object)), nullptr);
    EXPECT_EQ(tcf.publicName(), "cfg");
    EXPECT_TRUE(tcf.comment().isNull());
    EXPECT_FALSE(tcf.nestedControlFlow());
    EXPECT_TRUE(tcf.displayWorldActor);
    EXPECT_EQ(tcf.loopNaming, nullptr);

    tcf.setPublicName("");
    EXPECT_TRUE(tcf.publicName().isEmpty());
    EXPECT_FALSE(tcf.publicName().isNull());
    tcf.setPublicName("Shown");
    EXPECT_EQ(tcf.publicName(), "Shown");
}

TEST(TCF, FirstStyleAddedFillsEveryDefaultSlot)
{
    TCF tcf("cfg", 1);
    Style* five = new Style("five", 5);
    Style* seven = new Style("seven", 7);
    EXPECT_TRUE(tcf.addStyle(five));
    EXPECT_TRUE(tcf.addStyle(seven));
    for (int object = 0; object < TCF::objectCount; ++object)
        EXPECT_EQ(tcf.defaultStyle(TCF::Object(object)), five);
    EXPECT_EQ(tcf.defaultStyle(), five);
    EXPECT_EQ(tcf.style(7), seven);
    EXPECT_EQ(tcf.style(6), nullptr);

    Style duplicate("again", 5);
    EXPECT_FALSE(tcf.addStyle(&duplicate));
    EXPECT_FALSE(tcf.addStyle(nullptr));
    EXPECT_EQ(tcf.styles().count, 2);
    EXPECT_EQ(tcf.style(5), five);

    tcf.setDefaultStyle(TCF::OBJ_MESSAGE_RETURN, seven);
    EXPECT_EQ(tcf.defaultStyle(TCF::OBJ_MESSAGE_RETURN), seven);
    tcf.setDefaultStyle(TCF::OBJ_TIME, nullptr);
    EXPECT_EQ(tcf.defaultStyle(TCF::OBJ_TIME), five);
}

TEST(TCF, DefaultSlotsOutsideTheKindsAreIgnored)
{
    TCF tcf("cfg", 1);
    tcf.setDefaultStyle(TCF::OBJ_TIME, nullptr);
    EXPECT_EQ(tcf.defaultStyle(TCF::OBJ_TIME), nullptr);
    Style* style = new Style("s", 1);
    tcf.addStyle(style);
    tcf.setDefaultStyle(TCF::Object(14), style);
    tcf.setDefaultStyle(TCF::Object(-1), style);
    EXPECT_EQ(tcf.defaultStyle(TCF::Object(14)), nullptr);
    EXPECT_EQ(tcf.defaultStyle(TCF::Object(-1)), nullptr);
}

TEST(TCF, StyleAddedAfterTheWorldSlotIsSetLeavesTheSlotsAlone)
{
    TCF tcf("cfg", 1);
    Style* first = new Style("first", 1);
    tcf.setDefaultStyle(TCF::OBJ_WORLD, first);
    EXPECT_TRUE(tcf.addStyle(first));
    EXPECT_EQ(tcf.defaultStyle(TCF::OBJ_ACTION), nullptr);
}

TEST(TCF, InstanceTypesFollowTheConfigurationUnlessTheyHaveTheirOwnMode)
{
    TCF tcf("cfg", 1);
    InstanceType* following = new InstanceType(&tcf, "Task", "icon", nullptr);
    InstanceType* own = new InstanceType(&tcf, "Module", QString(), nullptr);
    own->controlFlowSet = true;
    own->ownNestedControlFlow = false;
    EXPECT_TRUE(tcf.addInstanceType(following));
    EXPECT_TRUE(tcf.addInstanceType(own));

    EXPECT_FALSE(following->nestedControlFlow());
    tcf.setNestedControlFlow(true);
    EXPECT_TRUE(following->nestedControlFlow());
    EXPECT_FALSE(own->nestedControlFlow());

    EXPECT_EQ(tcf.instanceType("Task"), following);
    EXPECT_EQ(tcf.instanceType("task"), nullptr);
    InstanceType duplicate(&tcf, "Task", QString(), nullptr);
    EXPECT_FALSE(tcf.addInstanceType(&duplicate));
    EXPECT_EQ(tcf.instanceTypes().count, 2);
}

TEST(TCF, ThreadStatesAndGlyphsAreKeyedById)
{
    TCF tcf("cfg", 1);
    ThreadState* running = new ThreadState(&tcf, 1);
    running->setName("running");
    EXPECT_TRUE(tcf.addThreadState(running));
    ThreadState again(&tcf, 1);
    EXPECT_FALSE(tcf.addThreadState(&again));
    EXPECT_FALSE(tcf.addThreadState(nullptr));
    EXPECT_EQ(tcf.threadState(1), running);
    EXPECT_EQ(tcf.threadState(2), nullptr);
    EXPECT_FALSE(running->isActiveState);

    Glyph* glyph = new Glyph(&tcf, 3);
    EXPECT_EQ(glyph->type, Glyph::GLYPH_NONE);
    EXPECT_TRUE(glyph->name.isNull());
    EXPECT_TRUE(tcf.addGlyph(glyph));
    Glyph duplicate(&tcf, 3);
    EXPECT_FALSE(tcf.addGlyph(&duplicate));
    EXPECT_EQ(tcf.glyph(3), glyph);
    EXPECT_EQ(tcf.glyph(4), nullptr);
}

TEST(TCFList, SearchMatchesNamesExactlyAndFindsTheFirst)
{
    TCFList list;
    TCF* first = new TCF("cfg", 1);
    first->setPublicName("Public");
    TCF* second = new TCF("cfg", 2);
    list.append(nullptr);
    list.append(first);
    list.append(second);
    EXPECT_EQ(list.search("cfg"), first);
    EXPECT_EQ(list.search("CFG"), nullptr);
    EXPECT_EQ(list.search("Public"), nullptr);
    list.deleteConfigurations();
    EXPECT_EQ(list.count, 0);
}

}
