// The served view's answers compared with the page of a file, which
// carries the same columns for the whole trace: a window over the whole
// trace gives every event with the page's values, windows side by side give
// each event once, a sample stays within its bounds, and searches and
// times find what a walk over the page's columns finds.

#include "error_recorder.h"
#include "random_trace.h"
#include "rewrite_reading.h"
#include "test_traces.h"

#include <html_number_column.h>
#include <html_page_data.h>
#include <label_search.h>
#include <page_store.h>
#include <tdf.h>
#include <trace_service.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

namespace {

using Column = std::vector<std::int64_t>;
using Table = std::map<QString, Column>;

Table decodeTable(const QJsonObject& table, std::initializer_list<const char*> deltas)
{
    Table out;
    for (auto it = table.begin(); it != table.end(); ++it) {
        bool delta = false;
        for (const char* name : deltas)
            delta = delta || it.key() == QLatin1String(name);
        out[it.key()] = decodeNumbers(it.value().toString().toLatin1(), delta);
    }
    return out;
}

// One trace read as `tdftool view` reads it, with the page's data of a
// file beside the service for the comparisons.
class ServedTrace {
public:
    ServedTrace(TCFList* configurations, const std::string& text) : reader_(configurations)
    {
        reader_.setStreaming(true);
        auto pages = std::make_unique<PageStore>(reader_);
        for (const std::string& line : traceLines(text))
            pages->follow(reader_.read(line.c_str(), nullptr, nullptr));
        reader_.reportOpenBlocks();
        pages->finish();
        auto data = std::make_unique<PageData>(pages->store(), pages->looks(), QStringLiteral("trace"));
        page_ = data.get();
        service_ = view::makeTraceService(std::move(pages), std::move(data));
    }

    const PageData& page() const { return *page_; }

    view::Answer ask(const std::string& endpoint, const view::Parameters& parameters = {}) const
    {
        return service_->answer(endpoint, parameters);
    }
    QJsonObject json(const std::string& endpoint, const view::Parameters& parameters = {}) const
    {
        const view::Answer answer = ask(endpoint, parameters);
        EXPECT_EQ(answer.status, 200) << endpoint << ": " << answer.body;
        return QJsonDocument::fromJson(QByteArray::fromStdString(answer.body)).object();
    }
    QJsonObject window(double top, double bottom, double step, const std::string& find = {}) const
    {
        view::Parameters parameters{{"top", std::to_string(top)},
                                    {"bottom", std::to_string(bottom)},
                                    {"step", std::to_string(step)},
                                    {"left", "0"},
                                    {"right", std::to_string(page_->columns - 1)}};
        if (!find.empty())
            parameters.emplace("find", find);
        return json("window", parameters);
    }
    double height() const { return json("meta")["height"].toDouble(); }

private:
    ErrorRecorder errors_;  // made-up traces have faults on purpose
    TDF reader_;
    const PageData* page_ = nullptr;
    std::shared_ptr<const view::Service> service_;
};

class ServedView : public testing::Test {
protected:
    void SetUp() override { loadTestConfigurations(configurations_); }
    void TearDown() override { configurations_.deleteConfigurations(); }

    // The test traces and made-up ones.
    std::vector<std::pair<std::string, std::string>> traces(unsigned seeds) const
    {
        const auto known = testTraces();
        std::vector<std::pair<std::string, std::string>> all(known.begin(), known.end());
        for (unsigned seed = 1; seed <= seeds; ++seed)
            all.emplace_back("seed " + std::to_string(seed), randomTrace(seed, seed % 4 == 0 ? 800 : 200));
        return all;
    }

    TCFList configurations_;
};

Table windowEvents(const QJsonObject& window)
{
    return decodeTable(window["events"].toObject(), {"index", "time", "y", "timeText"});
}

TEST_F(ServedView, AWindowOverTheWholeTraceHoldsThePagesColumns)
{
    for (const auto& [name, text] : traces(60)) {
        SCOPED_TRACE(name);
        const ServedTrace served(&configurations_, text);
        const PageData& page = served.page();
        const QJsonObject window = served.window(0, served.height(), 1e-3);
        EXPECT_FALSE(window["sampled"].toBool());
        const Table events = windowEvents(window);
        const Column& index = events.at("index");
        ASSERT_EQ(static_cast<long long>(index.size()), page.events());
        const std::map<const char*, std::vector<int>> columns{
            {"from", page.from()},       {"to", page.to()},         {"style", page.style()},
            {"label", page.label()},     {"link", page.link()},     {"partner", page.partner()},
            {"owner", page.owner()},     {"thread", page.thread()}};
        const std::vector<std::uint8_t> kind = page.kind();
        const std::vector<unsigned long long> time = page.time();
        const QJsonObject strings = window["strings"].toObject();
        for (size_t k = 0; k < index.size(); ++k) {
            ASSERT_EQ(index[k], static_cast<std::int64_t>(k));
            EXPECT_EQ(events.at("kind")[k], kind[k]);
            EXPECT_EQ(static_cast<unsigned long long>(events.at("time")[k]), time[k]);
            for (const auto& [column, values] : columns)
                ASSERT_EQ(events.at(column)[k], values[k]) << column << " of event " << k;
            // Hits are marked only for a search.
            EXPECT_EQ(events.at("flags")[k], page.flags()[k]);
            const int label = page.label()[k];
            if (label != PageData::none) {
                EXPECT_EQ(strings[QString::number(label)].toString(), page.strings[size_t(label)]);
            }
            if (k > 0) {
                EXPECT_GE(events.at("y")[k], events.at("y")[k - 1]);
            }
        }
        const std::vector<int> members = page.members();
        EXPECT_EQ(events.at("members"), Column(members.begin(), members.end()));
        // Every lifeline and loop reaches into the whole trace.
        const Table lifelines = decodeTable(window["lifelines"].toObject(), {"top", "bottom"});
        EXPECT_EQ(lifelines.at("lifeline").size(), page.lifelines.column.size());
        for (size_t l = 0; l < lifelines.at("lifeline").size(); ++l) {
            const size_t line = static_cast<size_t>(lifelines.at("lifeline")[l]);
            EXPECT_EQ(lifelines.at("column")[l], page.lifelines.column[line]);
            EXPECT_LE(lifelines.at("top")[l], lifelines.at("bottom")[l]);
        }
        const Table loops = decodeTable(window["loops"].toObject(), {"top", "bottom"});
        ASSERT_EQ(loops.at("id").size(), page.loops.start.size());
        for (size_t k = 0; k < loops.at("id").size(); ++k) {
            const int parent = page.loops.parent[k];
            EXPECT_EQ(loops.at("parent")[k], parent);
            EXPECT_EQ(loops.at("depth")[k], parent == PageData::none ? 0 : loops.at("depth")[size_t(parent)] + 1);
            EXPECT_EQ(loops.at("end")[k], page.loops.end[k]);
        }
        if (HasFailure())
            break;
    }
}

// Windows side by side hold each event once: those whose rows lie between
// their ys (the others are owners and partners of those).
TEST_F(ServedView, WindowsSideBySideHoldEachEventOnce)
{
    for (const auto& [name, text] : traces(12)) {
        SCOPED_TRACE(name);
        const ServedTrace served(&configurations_, text);
        const double height = served.height();
        std::vector<int> seen(static_cast<size_t>(served.page().events()), 0);
        for (const double tile : {37.0, 500.0}) {
            std::fill(seen.begin(), seen.end(), 0);
            for (double top = 0; top < height; top += tile) {
                const Table events = windowEvents(served.window(top, top + tile, 1e-3));
                for (size_t k = 0; k < events.at("index").size(); ++k) {
                    const double y = static_cast<double>(events.at("y")[k]);
                    if (y >= top && y < top + tile)
                        ++seen[size_t(events.at("index")[k])];
                }
            }
            for (size_t event = 0; event < seen.size(); ++event)
                ASSERT_EQ(seen[event], 1) << "event " << event << " with tiles of " << tile;
        }
    }
}

std::string manyMessages(int count)
{
    std::string text = "DB \"default\"\nID 1\nIN \"Task\" 1 \"a\"\nIN \"Task\" 2 \"b\"\nMS 7 \"ping\"\nED\nSF 1 1\n"
                       "NI 1 1\nNI 2 2\n";
    for (int i = 0; i < count; ++i)
        text += "CI " + std::to_string(1 + i % 2) + "\nME 7 " + std::to_string(2 - i % 2) + "\n";
    return text;
}

TEST_F(ServedView, ATooLongStretchIsSampledAStepApartWithinItsBounds)
{
    const ServedTrace served(&configurations_, manyMessages(40000));
    const double height = served.height();
    for (const double step : {100.0, 400.0, height / 700}) {
        const QJsonObject window = served.window(0, height, step);
        ASSERT_TRUE(window["sampled"].toBool()) << step;
        const Table events = windowEvents(window);
        const Column& y = events.at("y");
        EXPECT_LE(static_cast<double>(y.size()), height / step + 1);
        EXPECT_GE(static_cast<double>(y.size()), height / step / 2);
        for (size_t k = 1; k < y.size(); ++k)
            ASSERT_GE(static_cast<double>(y[k] - y[k - 1]), step) << "at " << k;
    }
    // A step so fine that even the sample is too large is refused.
    view::Parameters tooFine{{"top", "0"}, {"bottom", std::to_string(height)}, {"step", "1"}};
    EXPECT_EQ(served.ask("window", tooFine).status, 413);
    view::Parameters tooWide{{"top", "0"}, {"bottom", "10"}, {"left", "0"}, {"right", "5000"}};
    EXPECT_EQ(served.ask("window", tooWide).status, 400);  // beyond the trace's columns
}

TEST_F(ServedView, SearchesCountAndStepThroughTheHitsThePageHolds)
{
    for (const auto& [name, text] : traces(20)) {
        SCOPED_TRACE(name);
        const ServedTrace served(&configurations_, text);
        const PageData& page = served.page();
        const std::vector<int> labels = page.label();
        for (const QString& wanted : {QStringLiteral("a"), QStringLiteral("e"), QStringLiteral("m1"),
                                      QStringLiteral("no label holds this")}) {
            std::vector<long long> hits;
            for (size_t event = 0; event < labels.size(); ++event) {
                if (labels[event] != PageData::none && page.strings[size_t(labels[event])].contains(wanted))
                    hits.push_back(static_cast<long long>(event));
            }
            const std::string text = wanted.toStdString();
            const QJsonObject first = served.json("search", {{"text", text}, {"from", "-1"}});
            ASSERT_EQ(first["count"].toInt(), static_cast<int>(hits.size())) << text;
            if (hits.empty()) {
                EXPECT_EQ(first["event"].toInt(), -1);
                continue;
            }
            EXPECT_EQ(first["event"].toInt(), hits.front());
            const QJsonObject last = served.json(
                "search", {{"text", text}, {"from", std::to_string(page.events())}, {"direction", "previous"}});
            EXPECT_EQ(last["event"].toInt(), hits.back());
            EXPECT_EQ(last["ordinal"].toInt(), static_cast<int>(hits.size()) - 1);
            // After the last hit the next one is the first again.
            const QJsonObject wrapped = served.json("search", {{"text", text}, {"from", std::to_string(hits.back())}});
            EXPECT_EQ(wrapped["event"].toInt(), hits.front());
            // A window with the search marks exactly the hits in it.
            const Table events = windowEvents(served.window(0, served.height(), 1e-3, text));
            for (size_t k = 0; k < events.at("index").size(); ++k) {
                const bool hit = std::binary_search(hits.begin(), hits.end(), events.at("index")[k]);
                ASSERT_EQ((events.at("flags")[k] & 32) != 0, hit) << "event " << k;
            }
        }
    }
}

TEST(LabelHolds, WholeWordsEndAtAnythingButLettersDigitsAndUnderscores)
{
    view::SearchTerms word;
    word.text = QStringLiteral("read");
    word.wholeWord = true;
    for (const char* label : {"read", "re-read", "read value", "(read)", "ready read"})
        EXPECT_TRUE(view::labelHolds(QString::fromUtf8(label), word)) << label;
    // The first place is no word, a later one is: all are looked at.
    for (const char* label : {"reading", "read_value", "read2", "\xc3\xa9read", "bread", "Read"})
        EXPECT_FALSE(view::labelHolds(QString::fromUtf8(label), word)) << label;
    word.caseSensitive = false;
    EXPECT_TRUE(view::labelHolds(QStringLiteral("READ ME"), word));
    EXPECT_TRUE(view::labelHolds(QString::fromUtf8("\xc3\x89T\xc3\x89 read"), word));
}

TEST_F(ServedView, HitsAreListedInOrderFromAnEventOn)
{
    const ServedTrace served(&configurations_, manyMessages(300));
    const long long events = served.page().events();
    const QJsonArray listed = served.json("hits", {{"text", "in"}, {"from", "10"}, {"count", "200"}})["hits"].toArray();
    ASSERT_EQ(listed.size(), 200);
    long long previous = 10;
    for (const QJsonValue& hit : listed) {
        const long long event = hit["event"].toInteger();
        EXPECT_GT(event, previous);
        EXPECT_EQ(hit["label"].toString(), QStringLiteral("ping"));
        previous = event;
    }
    // Up to the end of the trace, not round it.
    const QJsonArray last =
        served.json("hits", {{"text", "in"}, {"from", std::to_string(events - 3)}})["hits"].toArray();
    EXPECT_EQ(last.size(), 2);
    EXPECT_EQ(served.ask("hits", {{"text", "in"}, {"count", "201"}}).status, 400);
}

TEST_F(ServedView, TimesAndEventNumbersFindTheFirstEventAtOrAfterThem)
{
    for (const auto& [name, text] : traces(20)) {
        SCOPED_TRACE(name);
        const ServedTrace served(&configurations_, text);
        const std::vector<unsigned long long> time = served.page().time();
        std::vector<unsigned long long> probes{0, 1, 999999999999ULL};
        for (size_t k = 0; k < time.size(); k += 7)
            probes.insert(probes.end(), {time[k], time[k] + 1});
        for (const unsigned long long probe : probes) {
            long long expected = -1;
            for (size_t k = 0; k < time.size() && expected < 0; ++k) {
                if (time[k] >= probe)
                    expected = static_cast<long long>(k);
            }
            EXPECT_EQ(served.json("time", {{"t", std::to_string(probe)}})["event"].toInt(), expected) << probe;
        }
        const long long count = served.page().events();
        EXPECT_EQ(served.json("time", {{"text", "#1"}})["event"].toInt(), count ? 0 : -1);
        EXPECT_EQ(served.json("time", {{"text", "# 999999999999999999999"}})["event"].toInt(), count - 1);
        EXPECT_EQ(served.json("time", {{"text", "soon"}})["event"].toInt(), -1);
    }
}

TEST_F(ServedView, BadRequestsAreRefusedWithTheirReason)
{
    const ServedTrace served(&configurations_, manyMessages(10));
    EXPECT_EQ(served.ask("nothing").status, 404);
    for (const view::Parameters& bad : std::vector<view::Parameters>{
             {{"top", "x"}}, {{"top", "nan"}}, {{"step", "0"}}, {{"top", "1e300"}}, {{"left", "-3"}}}) {
        const view::Answer answer = served.ask("window", bad);
        EXPECT_EQ(answer.status, 400) << bad.begin()->first << "=" << bad.begin()->second;
        EXPECT_NE(answer.body.find("\"error\""), std::string::npos);
    }
    EXPECT_EQ(served.ask("window", {{"top", "5"}, {"bottom", "1"}}).status, 400);
    EXPECT_EQ(served.ask("search").status, 400);
    EXPECT_EQ(served.ask("search", {{"text", std::string(2000, 'a')}}).status, 400);
    EXPECT_EQ(served.ask("density", {{"bins", "100000"}}).status, 400);
    EXPECT_EQ(served.ask("locate", {{"event", "100000"}}).status, 400);
    const QJsonObject density = served.json("density", {{"bins", "10"}});
    long long total = 0;
    for (const QJsonValue& bin : density["bins"].toArray())
        total += bin.toInt();
    EXPECT_EQ(total, served.page().events());
}

}
