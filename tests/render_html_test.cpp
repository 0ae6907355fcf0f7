// The HTML page's data, read back as the page's script reads it (JSON with
// number columns, see html_number_column.h) and compared with the trace as
// the reader holds it: kinds, times and labels of every event, the
// lifelines that messages join, columns shared only one after another.

#include "error_recorder.h"
#include "page_reading.h"
#include "random_trace.h"
#include "render_fixture.h"
#include "test_traces.h"

#include <activation_bounds.h>
#include <event_window.h>
#include <html_number_column.h>
#include <html_page.h>
#include <html_page_data.h>
#include <labels.h>
#include <page_store.h>
#include <text_fit.h>
#include <tdf_objects.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <climits>
#include <map>
#include <sstream>
#include <string>

namespace {

// One table of the page's data (events, lifelines, bars, loops) decoded.
using Table = std::map<QString, std::vector<std::int64_t>>;

Table decodeTable(const QJsonObject& table)
{
    Table decoded;
    for (auto it = table.begin(); it != table.end(); ++it) {
        const bool delta = it.key() == "time" || it.key() == "timeText";
        decoded[it.key()] = decodeNumbers(it.value().toString().toLatin1(), delta);
    }
    return decoded;
}

std::vector<QString> strings(const QJsonArray& array)
{
    std::vector<QString> out;
    for (const QJsonValue& value : array)
        out.push_back(value.toString());
    return out;
}

// What the page's script finds in the page.
struct DecodedPage {
    QJsonObject raw;
    Table events, lifelines, bars, loops;
    std::vector<QString> texts, timeTexts;
    QString timeUnit;
    int columns = 0;

    explicit DecodedPage(const QByteArray& page)
    {
        const QByteArray open = "<script type=\"application/json\" id=\"trace-data\">";
        const qsizetype start = page.indexOf(open);
        const qsizetype end = page.indexOf("</script>", start);
        EXPECT_GE(start, 0);
        const QByteArray json = page.mid(start + open.size(), end - start - open.size());
        QJsonParseError error;
        raw = QJsonDocument::fromJson(json, &error).object();
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        events = decodeTable(raw["events"].toObject());
        lifelines = decodeTable(raw["lifelines"].toObject());
        bars = decodeTable(raw["bars"].toObject());
        loops = decodeTable(raw["loops"].toObject());
        texts = strings(raw["strings"].toArray());
        timeTexts = strings(raw["timeTexts"].toArray());
        timeUnit = raw["timeUnit"].toString();
        columns = raw["columns"].toInt();
    }

    size_t count() const { return events.at("kind").size(); }

    QString timeText(size_t i) const
    {
        if (!timeTexts.empty())
            return timeTexts.at(static_cast<size_t>(events.at("timeText").at(i)));
        return QString::number(events.at("time").at(i)) + timeUnit;
    }

    // The lifeline that last took `column` at or before event i, or -1.
    int holderAt(std::int64_t column, size_t i) const
    {
        const auto& columnOf = lifelines.at("column");
        const auto& start = lifelines.at("start");
        int holder = -1;
        for (size_t l = 0; l < columnOf.size(); ++l) {
            if (columnOf[l] == column && start[l] <= std::int64_t(i) && (holder < 0 || start[l] >= start[size_t(holder)]))
                holder = static_cast<int>(l);
        }
        return holder;
    }
};

std::vector<TDFObject*> drawnEvents(TDF& reader)
{
    std::vector<TDFObject*> events;
    for (TDFObject* object : reader.objects) {
        if (isDrawnKind(object))
            events.push_back(object);
    }
    return events;
}

// Compares the page of what `reader` read, made from the store `pages`
// built beside it, with the reader's objects.
void expectPageShowsTrace(TDF& reader, const PageStore& pages)
{
    // The reader's model holds the last trace alone.
    const PageData page(pages.store(), pages.looks(), QStringLiteral("trace <1>"), PageData::Sections::last);
    const DecodedPage data(pageBytes(page));
    const std::vector<TDFObject*> events = drawnEvents(reader);
    ASSERT_EQ(data.count(), events.size());
    EXPECT_EQ(page.events(), static_cast<long long>(events.size()));
    EXPECT_EQ(page.columns, data.columns);
    for (const char* column : {"time", "from", "to", "style", "label", "link", "partner", "owner", "thread", "flags"})
        ASSERT_EQ(data.events.at(column).size(), events.size()) << column;

    // Every kind as often as the reader counted it.
    std::map<int, unsigned long long> kinds;
    for (const std::int64_t kind : data.events.at("kind"))
        ++kinds[static_cast<int>(kind)];
    for (const auto& [kind, count] : kinds)
        EXPECT_EQ(count, reader.appendedObjects.at(static_cast<size_t>(kind))) << "kind " << kind;

    const bool world = data.raw["world"].toBool();
    for (size_t i = 0; i < events.size(); ++i) {
        TDFObject* event = events[i];
        SCOPED_TRACE("event " + std::to_string(i));
        ASSERT_EQ(data.events.at("kind")[i], event->type);
        // An instance a message made shows the message's time.
        const TDFInstance* made = event->toInstance();
        const unsigned long long time = made && made->creationMessage ? made->creationMessage->time : event->time;
        EXPECT_EQ(static_cast<unsigned long long>(data.events.at("time")[i]), time);
        EXPECT_EQ(data.timeText(i), singleLine(reader.strTime(time)));
        const std::int64_t label = data.events.at("label")[i];
        // A message's arrow joins the lifelines of its sender and receiver
        // as they are at its row; the world actor's is column 0.
        if (TDFMessage* message = event->toMessage()) {
            const QString name = singleLine(messageName(message));
            EXPECT_EQ(label >= 0 ? data.texts.at(size_t(label)) : QString(), name);
            const std::pair<const TDFInstance*, const char*> ends[] = {{message->sender, "from"},
                                                                        {message->receiver, "to"}};
            for (const auto& [instance, column] : ends) {
                const std::int64_t at = data.events.at(column)[i];
                if (!instance) {
                    EXPECT_EQ(at, world ? 0 : -1);
                    continue;
                }
                // No other instance took the column since: a trace may
                // name an instance after deleting it, which keeps the column.
                const int line = data.holderAt(at, i);
                ASSERT_GE(line, 0) << column;
                EXPECT_EQ(static_cast<unsigned long long>(data.lifelines.at("id")[size_t(line)]), instance->id)
                    << column;
            }
            if (message->messageReturn) {
                const std::int64_t back = data.events.at("partner")[i];
                ASSERT_GE(back, 0);
                EXPECT_EQ(events.at(size_t(back)), message->messageReturn);
                EXPECT_EQ(data.events.at("partner")[size_t(back)], std::int64_t(i));
            }
        } else if (TDFInstance* instance = event->toInstance()) {
            ASSERT_GE(label, 0);
            EXPECT_EQ(data.texts.at(size_t(label)), singleLine(instanceTitle(instance)));
            const int line = data.holderAt(data.events.at("from")[i], i);
            ASSERT_GE(line, 0);
            EXPECT_EQ(data.lifelines.at("start")[size_t(line)], std::int64_t(i));
            // Its bars run between the events the model recorded.
            std::vector<std::int64_t> expected;
            for (const TDFObject* bound : activationBounds(instance)) {
                const auto found = std::find(events.begin(), events.end(), bound);
                expected.push_back(found == events.end() ? -1 : found - events.begin());
            }
            if (expected.size() % 2)
                expected.push_back(-1);
            std::vector<std::int64_t> drawn;
            for (size_t b = 0; b < data.bars.at("lifeline").size(); ++b) {
                if (data.bars.at("lifeline")[b] == line) {
                    drawn.push_back(data.bars.at("start")[b]);
                    drawn.push_back(data.bars.at("end")[b]);
                }
            }
            EXPECT_EQ(drawn, expected) << "bars of lifeline " << line;
        }
    }

    // A loop's frame spans the columns of the events inside it.
    const Table& loops = data.loops;
    for (size_t k = 0; k < loops.at("start").size(); ++k) {
        const std::int64_t start = loops.at("start")[k], end = loops.at("end")[k];
        EXPECT_EQ(events.at(size_t(start))->type, TDF_LOOP_START);
        const std::int64_t last = end < 0 ? std::int64_t(events.size()) : end;
        for (std::int64_t i = start + 1; i < last; ++i) {
            for (const char* column : {"from", "to"}) {
                const std::int64_t at = data.events.at(column)[size_t(i)];
                if (at >= 0) {
                    EXPECT_GE(at, loops.at("left")[k]) << "loop " << k << " event " << i;
                    EXPECT_LE(at, loops.at("right")[k]) << "loop " << k << " event " << i;
                }
            }
        }
    }

    // A column holds one lifeline at a time, and no more columns than
    // instances alive at once (and the world actor).
    std::map<std::int64_t, std::vector<std::pair<std::int64_t, std::int64_t>>> spans;
    const size_t lines = data.lifelines.at("column").size();
    for (size_t l = 0; l < lines; ++l) {
        const std::int64_t start = data.lifelines.at("start")[l], end = data.lifelines.at("end")[l];
        spans[data.lifelines.at("column")[l]].emplace_back(start < 0 ? -1 : start, end < 0 ? LLONG_MAX : end);
    }
    for (auto& [column, list] : spans) {
        std::sort(list.begin(), list.end());
        for (size_t k = 1; k < list.size(); ++k)
            EXPECT_LT(list[k - 1].second, list[k].first) << "column " << column;
    }
    // A lifeline holds its column from its start to its end or the last
    // event drawn in the column while it holds it, whichever comes later.
    std::vector<std::int64_t> heldUntil(data.lifelines.at("end"));
    for (size_t i = 0; i < events.size(); ++i) {
        for (const char* column : {"from", "to"}) {
            const int holder = data.holderAt(data.events.at(column)[i], i);
            if (holder >= 0 && heldUntil[size_t(holder)] >= 0)
                heldUntil[size_t(holder)] = std::max(heldUntil[size_t(holder)], std::int64_t(i));
        }
    }
    std::vector<int> alive(events.size() + 1, 0);  // columns held at each event
    for (size_t l = 0; l < lines; ++l) {
        const std::int64_t start = std::max<std::int64_t>(data.lifelines.at("start")[l], 0);
        const std::int64_t end = heldUntil[l] < 0 ? std::int64_t(events.size()) : heldUntil[l];
        for (std::int64_t i = start; i <= end; ++i)
            ++alive[size_t(i)];
    }
    const int most = *std::max_element(alive.begin(), alive.end());
    EXPECT_LE(data.columns, std::max(most, world ? 1 : 0));
}

class HtmlPageData : public RenderTest {};

TEST_F(HtmlPageData, ExampleTracesAndMadeUpOnesReadBackWhole)
{
    TCFList configurations;
    loadTestConfigurations(configurations);
    const auto traces = testTraces();
    std::vector<std::pair<std::string, std::string>> all(traces.begin(), traces.end());
    for (unsigned seed = 1; seed <= 120; ++seed)
        all.emplace_back("seed " + std::to_string(seed), randomTrace(seed, seed % 4 == 0 ? 800 : 200));
    for (const auto& [name, text] : all) {
        for (const char* format : {"", "%mms %0uus"}) {
            SCOPED_TRACE(name + " time format '" + format + "'");
            ErrorRecorder errors;  // made-up traces have faults on purpose
            TDF trace(&configurations);
            trace.setTimeFormat(QString::fromLatin1(format));
            PageStore pages(trace);
            std::istringstream lines(text);
            for (std::string line; std::getline(lines, line);)
                pages.follow(trace.read(line.c_str(), nullptr, nullptr));
            pages.finish();
            expectPageShowsTrace(trace, pages);
            if (testing::Test::HasFatalFailure())
                break;
        }
    }
    configurations.deleteConfigurations();
}

// A file of several traces shows them one after another: after the last
// marker the page is the page of the last trace alone, and nothing of a
// trace (a lifeline, a loop) runs past the marker that ends it.
TEST_F(HtmlPageData, EveryTraceOfAFileIsShownAndEndsAtTheNextMarker)
{
    TCFList configurations;
    loadTestConfigurations(configurations);
    // Instances that messages make, in later traces too.
    std::vector<std::string> texts{"DB \"default\"\nID 1\nIN \"Task\" 1 \"a\"\nMS 7 \"ping\"\nED\nSF 1 1\nNI 1 1\n"
                                   "ME 7 5\nNT\nSF 1 1\nCI 3\nME 7 9\nME 7 3\nNT\nSF 1 1\nME 7 4\n"};
    for (unsigned seed = 1; seed <= 120; ++seed)
        texts.push_back(randomTrace(seed, 400));
    int shownSeveral = 0;
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(0, 200));
        ErrorRecorder errors;
        TDF trace(&configurations);
        PageStore pages(trace);
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);)
            pages.follow(trace.read(line.c_str(), nullptr, nullptr));
        pages.finish();
        const PageData allPage(pages.store(), pages.looks(), QStringLiteral("t"));
        const PageData lastPage(pages.store(), pages.looks(), QStringLiteral("t"), PageData::Sections::last);
        const DecodedPage all(pageBytes(allPage)), last(pageBytes(lastPage));
        std::vector<std::int64_t> markers;
        for (size_t i = 0; i < all.count(); ++i) {
            if (all.events.at("kind")[i] == TDF_NEW_TRACE)
                markers.push_back(static_cast<std::int64_t>(i));
        }
        ASSERT_EQ(all.raw["traces"].toInt(), static_cast<int>(markers.size()) + 1);
        shownSeveral += markers.empty() ? 0 : 1;
        const size_t offset = markers.empty() ? 0 : static_cast<size_t>(markers.back()) + 1;
        ASSERT_EQ(all.count(), offset + last.count());
        for (size_t i = 0; i < last.count(); ++i) {
            for (const char* column : {"kind", "time", "flags"})
                ASSERT_EQ(all.events.at(column)[offset + i], last.events.at(column)[i]) << column << " " << i;
            const std::int64_t label = last.events.at("label")[i], allLabel = all.events.at("label")[offset + i];
            EXPECT_EQ(allLabel < 0 ? QString() : all.texts.at(size_t(allLabel)),
                      label < 0 ? QString() : last.texts.at(size_t(label)));
            const std::int64_t partner = last.events.at("partner")[i];
            EXPECT_EQ(all.events.at("partner")[offset + i], partner < 0 ? partner : partner + std::int64_t(offset));
        }
        // Only the world actor's lifeline crosses a marker.
        const auto crosses = [&markers](std::int64_t start, std::int64_t end) {
            return std::any_of(markers.begin(), markers.end(),
                               [&](std::int64_t m) { return start < m && (end < 0 || end > m); });
        };
        for (size_t l = 0; l < all.lifelines.at("column").size(); ++l) {
            if (all.lifelines.at("id")[l] != 0) {
                EXPECT_FALSE(crosses(all.lifelines.at("start")[l], all.lifelines.at("end")[l])) << "lifeline " << l;
            }
        }
        for (size_t k = 0; k < all.loops.at("start").size(); ++k)
            EXPECT_FALSE(crosses(all.loops.at("start")[k], all.loops.at("end")[k])) << "loop " << k;
    }
    EXPECT_GT(shownSeveral, 10) << "too few made-up traces hold several traces";
    configurations.deleteConfigurations();
}

// The page is made from the event store: a streaming reading, which frees
// and remakes objects as it goes, gives the same store and so the same
// page, byte for byte, as a reading of the whole model.
TEST(HtmlPageReadings, StreamedAndWholeReadingsGiveTheSamePage)
{
    TCFList configurations;
    loadTestConfigurations(configurations);
    const auto traces = testTraces();
    std::vector<std::pair<std::string, std::string>> all(traces.begin(), traces.end());
    for (unsigned seed = 1; seed <= 200; ++seed)
        all.emplace_back("seed " + std::to_string(seed), randomTrace(seed, seed % 4 == 0 ? 800 : 200));
    for (const auto& [name, text] : all) {
        for (const char* format : {"", "%mms %0uus"}) {
            SCOPED_TRACE(name + " time format '" + format + "'");
            ErrorRecorder errors;
            const QByteArray whole = pageOfTrace(&configurations, text, false, QString::fromLatin1(format));
            const QByteArray streamed = pageOfTrace(&configurations, text, true, QString::fromLatin1(format));
            ASSERT_EQ(whole.size(), streamed.size());
            ASSERT_EQ(whole, streamed);
        }
    }
    configurations.deleteConfigurations();
}

TEST_F(HtmlPageData, ADeletedInstancesColumnIsTakenByTheNextOne)
{
    defineBlock();
    lines({"NI 1 1", "NI 2 2", "CI 1", "ME 10 2", "MR 10", "DI 2", "NI 3 3", "CI 1", "ME 11 3", "NI 2 4", "TM 100"});
    const PageData& data = pageData();
    // World, Client, Server then Disk in Server's column, then a new Server.
    ASSERT_EQ(data.lifelines.column.size(), 5u);
    EXPECT_EQ(data.lifelines.column, (std::vector<int>{0, 1, 2, 2, 3}));
    EXPECT_EQ(data.columns, 4);
    const std::vector<unsigned long long> ids{0, 1, 2, 3, 4};
    EXPECT_EQ(data.lifelines.id, ids);
    // Server's lifeline ends at its deletion, with a cross.
    EXPECT_EQ(data.lifelines.end[2], 4);
    EXPECT_GE(data.lifelines.crossStyle[2], 0);
    EXPECT_EQ(data.lifelines.end[3], PageData::none);
    // The second message goes to Disk, in column 2.
    EXPECT_EQ(data.to()[6], 2);
}

TEST_F(HtmlPageData, PartnersLinkMessagesCallsAndReturnsBothWays)
{
    defineBlock();
    lines({"NI 1 1", "NI 2 2", "CI 1", "ME 10 2", "TM 30", "MR 10", "CI 2", "MC 1 11 1", "TM 45", "MC 1"});
    const PageData& data = pageData();
    const std::vector<std::uint8_t> kind = data.kind();
    const std::vector<int> partner = data.partner();
    const std::vector<unsigned long long> time = data.time();
    const auto at = [&](int type, int nth) {
        for (size_t i = 0; i < kind.size(); ++i) {
            if (kind[i] == type && nth-- == 0)
                return static_cast<int>(i);
        }
        return -1;
    };
    const int message = at(TDF_MESSAGE, 0), back = at(TDF_MESSAGE_RETURN, 0);
    ASSERT_GE(message, 0);
    ASSERT_GE(back, 0);
    EXPECT_EQ(partner[message], back);
    EXPECT_EQ(partner[back], message);
    EXPECT_EQ(time[back] - time[message], 30u);
    const int call = at(TDF_MESSAGE_CALL, 0), completion = at(TDF_MESSAGE, 1);
    if (call >= 0 && completion >= 0) {
        EXPECT_EQ(partner[call], completion);
        EXPECT_TRUE(data.flags()[completion] & eventFlag::completesCall);
    }
}

TEST_F(HtmlPageData, TextCannotCloseThePagesScript)
{
    defineBlock();
    lines({"NI 1 1 \"</script><b>x</b>\"", "NI 2 2 \"bell\x07here\"", "CI 1", "ME 10 2"});
    const QByteArray page = pageBytes(pageData(QStringLiteral("a<b>.tdf")));
    const qsizetype data = page.indexOf("id=\"trace-data\">");
    ASSERT_GE(data, 0);
    const qsizetype end = page.indexOf("</script>", data);
    EXPECT_FALSE(page.mid(data, end - data).contains('<'));
    EXPECT_TRUE(page.contains("<title>a&lt;b&gt;.tdf</title>"));
    const DecodedPage decoded(page);
    const std::vector<QString>& texts = decoded.texts;
    EXPECT_NE(std::find(texts.begin(), texts.end(), "</script><b>x</b>"), texts.end());
    EXPECT_NE(std::find(texts.begin(), texts.end(), QStringLiteral("bell\uFFFDhere")), texts.end());
    // Nothing the page needs comes from elsewhere.
    EXPECT_FALSE(page.contains("http://"));
    EXPECT_FALSE(page.contains("https://"));
}

TEST(HtmlNumberColumn, ValuesComeBackThroughEveryEncoding)
{
    const std::vector<int> small{0, 1, -1, 63, -64, 64, 127, 128, -129, INT_MAX, INT_MIN, 7, 7, 7};
    std::vector<std::int64_t> expected(small.begin(), small.end());
    EXPECT_EQ(decodeNumbers(encodeNumbers(small)), expected);
    EXPECT_EQ(decodeNumbers(encodeNumbers(small, true), true), expected);

    // Times go back, and may use all 64 bits.
    const std::vector<unsigned long long> times{5, 3, 1000000, 999999, ~0ULL, 0, 1ULL << 63, 42};
    const std::vector<std::int64_t> decoded = decodeNumbers(encodeNumbers(times, true), true);
    ASSERT_EQ(decoded.size(), times.size());
    for (size_t i = 0; i < times.size(); ++i)
        EXPECT_EQ(static_cast<unsigned long long>(decoded[i]), times[i]) << i;

    // Small values take one byte each (before base64).
    const std::vector<int> bytes(300, -5);
    EXPECT_EQ(QByteArray::fromBase64(encodeNumbers(bytes)).size(), 300);
    EXPECT_TRUE(decodeNumbers("not base64!").empty());
    EXPECT_TRUE(decodeNumbers(QByteArray("gA==")).empty()) << "a number cut short";
}

}
