#include <naming.h>

#include "error_recorder.h"
#include "resource_text.h"

#include <QRegularExpression>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

namespace {

int qtMessages = 0;

void countQtMessage(QtMsgType, const QMessageLogContext&, const QString&)
{
    ++qtMessages;
}

// Parses `list = [ ... ]` given in resource syntax into a naming.
class NamingTest : public testing::Test {
protected:
    void SetUp() override
    {
        qtMessages = 0;
        previousHandler = qInstallMessageHandler(countQtMessage);
    }
    void TearDown() override
    {
        qInstallMessageHandler(previousHandler);
        // Composition must never make Qt complain (e.g. about missing markers).
        EXPECT_EQ(qtMessages, 0);
    }

    std::unique_ptr<Naming> naming(const char* items)
    {
        resources = parseResources((std::string("naming = ") + items).c_str());
        return std::unique_ptr<Naming>(_TCFFromResources_Naming(resources->toResList(), "tcf.loop_naming"));
    }

    ErrorRecorder recorder;
    std::unique_ptr<QARes> resources;
    QtMessageHandler previousHandler = nullptr;
};

TEST_F(NamingTest, DefaultNamesWithoutANaming)
{
    EXPECT_EQ(Naming::processInstance(nullptr, 0, "Sensor"), "obj0:Sensor");
    EXPECT_EQ(Naming::processInstance(nullptr, 2, "Sensor"), "obj2:Sensor");
    EXPECT_EQ(Naming::processLoop(nullptr, 5, "3.2.8", 4), "Loop3.2.8:4");
    EXPECT_EQ(Naming::processInstance(nullptr, 1, "has %1 inside"), "obj1:has %1 inside");
}

TEST_F(NamingTest, ParsedNamingStartsWithItsFormat)
{
    auto parsed = naming("[ \"%1-%2\", STATIC_NAME, \"lit\", LOOP_NUMBER, D_OCCURENCE, LOOP_ID, LOOP_REPEAT ]");
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(parsed->format, "%1-%2");
    ASSERT_EQ(parsed->count, 7);
    const NamingOp::NamingType expected[] = {NamingOp::LITERAL,     NamingOp::STATIC_NAME, NamingOp::LITERAL,
                                             NamingOp::LOOP_NUMBER, NamingOp::D_OCCURENCE, NamingOp::LOOP_ID,
                                             NamingOp::LOOP_REPEAT};
    int i = 0;
    for (NamingOp* step : *parsed) {
        EXPECT_EQ(step->type, expected[i]) << i;
        EXPECT_EQ(step->text.isNull(), step->type != NamingOp::LITERAL) << i;
        ++i;
    }
    EXPECT_TRUE(recorder.reports().empty());
}

TEST_F(NamingTest, SingleStringNamesEverythingTheSame)
{
    auto fixed = naming("[ \"Main loop\" ]");
    EXPECT_EQ(Naming::processInstance(fixed.get(), 3, "X"), "Main loop");
    EXPECT_EQ(Naming::processLoop(fixed.get(), 1, "1.2", 9), "Main loop");
}

TEST_F(NamingTest, StepsFillTheLowestMarkerLeft)
{
    auto instance = naming("[ \"%2 of %1\", STATIC_NAME, D_OCCURENCE ]");
    EXPECT_EQ(Naming::processInstance(instance.get(), 4, "Sensor"), "4 of Sensor");

    auto ordered = naming("[ \"%1/%2\", STATIC_NAME, D_OCCURENCE ]");
    EXPECT_EQ(Naming::processInstance(ordered.get(), 4, "Sensor"), "Sensor/4");

    auto literal = naming("[ \"%1 %2 %1\", \"[%3]\", STATIC_NAME ]");
    EXPECT_EQ(Naming::processInstance(literal.get(), 0, "S"), "[%3] S [%3]");
}

TEST_F(NamingTest, StepsOfTheOtherKindAreSkipped)
{
    auto mixed = naming("[ \"<%1>\", LOOP_ID, D_OCCURENCE ]");
    EXPECT_EQ(Naming::processInstance(mixed.get(), 7, "S"), "<7>");
    EXPECT_EQ(Naming::processLoop(mixed.get(), 0, "3.2.8", 2), "<3.2.8>");

    auto loop = naming("[ \"%1 #%2 x%3\", LOOP_ID, LOOP_NUMBER, LOOP_REPEAT ]");
    EXPECT_EQ(Naming::processLoop(loop.get(), 12, "1.4", 30), "1.4 #12 x30");
}

TEST_F(NamingTest, MoreStepsThanMarkersComposeQuietly)
{
    auto extra = naming("[ \"%1\", STATIC_NAME, D_OCCURENCE, \"more\" ]");
    EXPECT_EQ(Naming::processInstance(extra.get(), 1, "S"), "S");
    auto none = naming("[ \"plain 100%\", STATIC_NAME ]");
    EXPECT_EQ(Naming::processInstance(none.get(), 1, "S"), "plain 100%");
}

TEST_F(NamingTest, MarkersReadLikeQtPlaceMarkers)
{
    auto markers = naming("[ \"%L1|%10|%%2|%0\", STATIC_NAME, STATIC_NAME, STATIC_NAME, STATIC_NAME ]");
    // %0 is the lowest marker, then %L1 (the L is dropped), %2, %10.
    EXPECT_EQ(Naming::processInstance(markers.get(), 0, "x"), "x|x|%x|x");
    auto twoDigits = naming("[ \"%100\", STATIC_NAME ]");
    EXPECT_EQ(Naming::processInstance(twoDigits.get(), 0, "x"), "x0");
}

// The composition by another path: each step finds the markers with a
// regular expression and fills the lowest with QString's own operations.
QString filledByPattern(const QString& format, const std::vector<QString>& values)
{
    static const QRegularExpression marker(QStringLiteral("%L?([0-9][0-9]?)"));
    QString text = format;
    for (const QString& value : values) {
        std::vector<QRegularExpressionMatch> matches;
        int lowest = 100;
        for (auto it = marker.globalMatch(text); it.hasNext();) {
            matches.push_back(it.next());
            lowest = std::min(lowest, matches.back().captured(1).toInt());
        }
        for (auto match = matches.rbegin(); match != matches.rend(); ++match)
            if (match->captured(1).toInt() == lowest)
                text.replace(match->capturedStart(), match->capturedLength(), value);
    }
    return text;
}

// Random formats and steps, values that hold markers of their own among
// them, named by both paths.
TEST_F(NamingTest, CompositionAgreesWithAnotherPath)
{
    std::mt19937 random(25);
    const char pieces[] = "%%%L12090 a";
    auto text = [&](int longest) {
        QString result;
        for (int length = int(random() % unsigned(longest)); length > 0; --length)
            result += QLatin1Char(pieces[random() % (sizeof pieces - 1)]);
        return result;
    };
    for (int trial = 0; trial < 3000; ++trial) {
        Naming naming;
        naming.setFormat(text(12));
        naming.append(new NamingOp(naming.format));
        const QString staticName = text(5);
        const int occurrence = int(random() % 2000) - 1000;
        std::vector<QString> values;
        for (int steps = int(random() % 5); steps > 0; --steps) {
            switch (random() % 3) {
            case 0:
                naming.append(new NamingOp(text(5)));
                values.push_back(naming.last()->value->text);
                break;
            case 1:
                naming.append(new NamingOp(NamingOp::STATIC_NAME));
                values.push_back(staticName);
                break;
            default:
                naming.append(new NamingOp(NamingOp::D_OCCURENCE));
                values.push_back(QString::number(occurrence));
                break;
            }
        }
        const QString name = Naming::processInstance(&naming, occurrence, staticName);
        ASSERT_EQ(name, filledByPattern(naming.format, values)) << "format " << naming.format.toStdString();
        ASSERT_EQ(name.isNull(), naming.format.isNull());
    }
    EXPECT_EQ(Naming::processInstance(nullptr, -7, "S%1"), filledByPattern("obj%1:%2", {"-7", "S%1"}));
    EXPECT_EQ(Naming::processLoop(nullptr, 3, "2.1", 40), filledByPattern("Loop%1:%2", {"2.1", "40"}));
}

// A trace's instances of a type named by its static name alone bear that
// name: they share its text rather than hold a copy each.
TEST_F(NamingTest, ANameThatIsAValueWholeSharesItsText)
{
    auto plain = naming("[ \"%1\", STATIC_NAME ]");
    const QString staticName = QStringLiteral("Sensor");
    const QString name = Naming::processInstance(plain.get(), 3, staticName);
    EXPECT_EQ(name, staticName);
    EXPECT_EQ(name.constData(), staticName.constData());
    auto numbered = naming("[ \"%1#%2\", STATIC_NAME, D_OCCURENCE ]");
    EXPECT_EQ(Naming::processInstance(numbered.get(), 3, staticName), "Sensor#3");
}

TEST_F(NamingTest, ListWithoutLeadingStringHasNoFormat)
{
    auto empty = naming("[]");
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->format.isNull());
    EXPECT_EQ(empty->count, 0);
    EXPECT_TRUE(Naming::processInstance(empty.get(), 0, "S").isNull());

    auto identifierFirst = naming("[ STATIC_NAME, \"%1\" ]");
    ASSERT_NE(identifierFirst, nullptr);
    EXPECT_EQ(identifierFirst->count, 0);
    EXPECT_TRUE(Naming::processLoop(identifierFirst.get(), 0, "1", 1).isNull());
    EXPECT_TRUE(recorder.reports().empty());
}

TEST_F(NamingTest, UnknownItemsRejectTheWholeList)
{
    EXPECT_EQ(naming("[ \"%1\", STATIC_NAME,\n  d_occurence, BOGUS ]"), nullptr);
    ASSERT_EQ(recorder.reports().size(), 1u);
    EXPECT_EQ(recorder.reports()[0].message, "unknown identifier into tcf.loop_naming list");
    EXPECT_EQ(recorder.reports()[0].file, "test.res");
    EXPECT_EQ(recorder.reports()[0].line, 2);
    EXPECT_EQ(recorder.reports()[0].column, 3);

    EXPECT_EQ(naming("[ \"%1\", rgb(1, 2, 3) ]"), nullptr);
    ASSERT_EQ(recorder.reports().size(), 2u);
    EXPECT_EQ(recorder.reports()[1].message,
              QString("unhandled resource type (%1) into tcf.loop_naming list").arg(int(QARes::TYPE_RGB)));
    EXPECT_EQ(recorder.reports()[1].column, 18);
}

// Each step fills the lowest marker left as QString::arg does with a
// string. Over made-up formats of markers, percent signs, L and digits,
// with static names and occurrence numbers of every kind, a naming must
// compose what arg gives, step after step (arg only warns where no marker
// is left, where composing leaves the text as it is too).
TEST(NamingComposition, FillsMarkersAsQStringArgDoes)
{
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    std::mt19937 random(31);
    const char alphabet[] = "%%L0123ab";
    const QString staticNames[] = {QString(), QString(""), QString("Sensor"), QString("%1"), QString("5%")};
    int compared = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        QString format("");
        for (int i = 0, length = int(random() % 8); i < length; ++i)
            format += QLatin1Char(alphabet[random() % (sizeof alphabet - 1)]);
        const QString& staticName = staticNames[random() % 5];
        const int occurrence = int(random() % 2000) - 1000;
        Naming naming;
        naming.setFormat(format);
        naming.append(new NamingOp(format));
        naming.append(new NamingOp(NamingOp::STATIC_NAME));
        const bool withOccurrence = random() % 2 == 0;
        if (withOccurrence)
            naming.append(new NamingOp(NamingOp::D_OCCURENCE));
        QString expected = format.arg(staticName);
        if (withOccurrence)
            expected = expected.arg(QString::number(occurrence));
        const QString composed = Naming::processInstance(&naming, occurrence, staticName);
        ASSERT_EQ(composed, expected) << "format " << format.toStdString();
        ASSERT_EQ(composed.isNull(), expected.isNull()) << "format " << format.toStdString();
        ++compared;
    }
    qInstallMessageHandler(previous);
    EXPECT_EQ(compared, 20000);
}

}
