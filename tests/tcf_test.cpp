#include <style.h>
#include <tcf.h>

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

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

// Many entries, each key offered several times: the first offered is
// kept and found, the others refused, and the lists keep the order of
// adding, as a walk over them in order would find.
TEST(TCF, ManyEntriesKeepTheFirstOfEachKeyInOrder)
{
    TCF tcf("cfg", 1);
    std::mt19937 random(3);
    std::map<int, Style*> styles;
    std::map<QString, InstanceType*> types;
    std::vector<Style*> styleOrder;
    std::vector<InstanceType*> typeOrder;
    for (int i = 0; i < 3000; ++i) {
        const int key = int(random() % 1000);
        auto* style = new Style(QStringLiteral("s%1").arg(i), key);
        if (tcf.addStyle(style)) {
            EXPECT_EQ(styles.count(key), 0u) << key;
            styles[key] = style;
            styleOrder.push_back(style);
        } else {
            EXPECT_EQ(styles.count(key), 1u) << key;
            delete style;
        }
        const QString name = QStringLiteral("type%1").arg(key);
        auto* type = new InstanceType(&tcf, name, QString(), nullptr);
        if (tcf.addInstanceType(type)) {
            EXPECT_EQ(types.count(name), 0u);
            types[name] = type;
            typeOrder.push_back(type);
        } else {
            delete type;
        }
    }
    for (int key = -1; key <= 1000; ++key) {
        const auto style = styles.find(key);
        EXPECT_EQ(tcf.style(key), style == styles.end() ? nullptr : style->second) << key;
        const QString name = QStringLiteral("type%1").arg(key);
        const auto type = types.find(name);
        EXPECT_EQ(tcf.instanceType(name), type == types.end() ? nullptr : type->second) << key;
    }
    EXPECT_EQ(tcf.instanceType(QString()), nullptr);
    std::vector<Style*> listed;
    for (Style* style : tcf.styles())
        listed.push_back(style);
    EXPECT_EQ(listed, styleOrder);
    std::vector<InstanceType*> listedTypes;
    for (InstanceType* type : tcf.instanceTypes())
        listedTypes.push_back(type);
    EXPECT_EQ(listedTypes, typeOrder);
    EXPECT_EQ(tcf.defaultStyle(), styleOrder.front());
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
