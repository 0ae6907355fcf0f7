#include "trace_service.h"

#include "label_search.h"
#include "trace_index.h"
#include "window_answer.h"

#include <html_page_data.h>
#include <html_page_json.h>
#include <json_string.h>
#include <page_store.h>

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <optional>

namespace view {

namespace {

constexpr JsonStringUse document = JsonStringUse::Document;
constexpr int maxBins = 4096;
constexpr int maxTextLength = 1000;

Answer json(const QByteArray& body)
{
    Answer answer;
    answer.body = body.toStdString();
    return answer;
}

Answer failure(int status, const std::string& message)
{
    Answer answer;
    answer.status = status;
    answer.body = json("{\"error\":" + jsonString(QString::fromStdString(message), document) + "}").body;
    return answer;
}

// A request's parameters, read with their bounds; the first fault is kept.
class Reader {
public:
    explicit Reader(const Parameters& parameters) : parameters_(parameters) {}

    std::optional<std::string> text(const std::string& name) const
    {
        const auto found = parameters_.find(name);
        if (found == parameters_.end())
            return std::nullopt;
        return found->second;
    }
    double number(const std::string& name, double fallback, double low, double high)
    {
        const std::optional<std::string> value = text(name);
        if (!value)
            return fallback;
        bool ok = false;
        const double number = QString::fromStdString(*value).toDouble(&ok);
        if (!ok || !std::isfinite(number) || number < low || number > high) {
            refuse("parameter " + name + " is not a number in its range");
            return fallback;
        }
        return number;
    }
    void refuse(const std::string& fault)
    {
        if (fault_.empty())
            fault_ = fault;
    }
    const std::string& fault() const { return fault_; }

private:
    const Parameters& parameters_;
    std::string fault_;
};

QByteArray number(double value)
{
    return QByteArray::number(value, 'g', 17);
}

template <class Values, class Encode>
QByteArray list(const Values& values, Encode&& encode)
{
    QByteArray out = "[";
    for (const auto& value : values) {
        if (out.size() > 1)
            out += ',';
        out += encode(value);
    }
    return out + ']';
}

QByteArray texts(const std::vector<QString>& values)
{
    return list(values, [](const QString& text) { return jsonString(text, document); });
}

class TraceService : public Service {
public:
    TraceService(std::unique_ptr<PageStore> pages, std::unique_ptr<PageData> data)
        : pages_(std::move(pages)), data_(std::move(data)), index_(*data_)
    {
    }

    Answer answer(const std::string& endpoint, const Parameters& parameters) const override
    {
        // The page's data finds its texts in tables it may not share
        // between threads: one answer at a time, each a short one.
        std::lock_guard<std::mutex> lock(mutex_);
        Reader reader(parameters);
        Answer answer;
        if (endpoint == "meta")
            answer = meta();
        else if (endpoint == "window")
            answer = window(reader);
        else if (endpoint == "density")
            answer = density(reader);
        else if (endpoint == "search")
            answer = search(reader);
        else if (endpoint == "hits")
            answer = hits(reader);
        else if (endpoint == "locate")
            answer = locate(reader);
        else if (endpoint == "time")
            answer = time(reader);
        else
            return failure(404, "no such endpoint");
        return reader.fault().empty() ? answer : failure(400, reader.fault());
    }

private:
    Answer meta() const;
    Answer window(Reader& reader) const;
    Answer density(Reader& reader) const;
    Answer search(Reader& reader) const;
    Answer locate(Reader& reader) const;
    Answer hits(Reader& reader) const;
    Answer time(Reader& reader) const;

    // Where event `event` is: its index and row, as locate and time answer.
    Answer place(long long event) const;
    QByteArray timeText(long long event) const;
    // The search for these terms (kept for the last ones).
    const LabelSearch& searchFor(const SearchTerms& terms) const;
    // The terms of a request whose text is parameter `textName`: none
    // without it.
    std::optional<SearchTerms> searchTerms(Reader& reader, const std::string& textName) const;
    long long eventForText(const QString& text) const;
    // The first event at or after a time given as a number, or -1.
    long long atOrAfter(double time) const;

    // The page's data refers to the store: declared after it, it goes first.
    std::unique_ptr<PageStore> pages_;
    std::unique_ptr<PageData> data_;
    TraceIndex index_;
    mutable std::mutex mutex_;
    mutable std::unique_ptr<LabelSearch> search_;
    mutable int densityBins_ = 0;
    mutable QByteArray density_;
};

QByteArray TraceService::timeText(long long event) const
{
    const PageData::Event value = data_->event(event);
    if (value.timeText != PageData::none)
        return jsonString(data_->timeTexts[static_cast<size_t>(value.timeText)], document);
    return jsonString(QString::number(value.time) + data_->timeUnit, document);
}

Answer TraceService::meta() const
{
    const PageData& data = *data_;
    const RowLayout& rows = index_.rows();
    QByteArray out = "{\"ready\":true,\"count\":" + QByteArray::number(rows.count());
    out += ",\"columns\":" + QByteArray::number(data.columns);
    out += ",\"traces\":" + QByteArray::number(data.traces);
    out += ",\"world\":" + QByteArray(data.world ? "true" : "false");
    out += ",\"title\":" + jsonString(data.title, document);
    out += ",\"caption\":" + jsonString(data.caption, document);
    out += ",\"timeUnit\":" + jsonString(data.timeUnit, document);
    out += ",\"textTimes\":" + QByteArray(data.timeTexts.empty() ? "false" : "true");
    out += ",\"barStyle\":" + QByteArray::number(data.barStyle);
    out += ',' + problemsJson(data, document);
    out += ",\"styles\":" + list(data.styles, [](const QByteArray& style) { return style; });
    out += ",\"threadNames\":" + texts(data.threadNames);
    out += ",\"threadColors\":" + texts(data.threadColors);
    out += ",\"height\":" + QByteArray::number(rows.height());
    out += ",\"topRowY\":" + QByteArray::number(RowLayout::topRowY);
    out += ",\"bodyTop\":" + QByteArray::number(RowLayout::bodyTop);
    out += ",\"bodyBottom\":" + QByteArray::number(rows.bodyBottom());
    out += ",\"gapThreshold\":" + number(index_.gapThreshold());
    out += ",\"minTime\":" + number(static_cast<double>(index_.minTime()));
    out += ",\"maxTime\":" + number(static_cast<double>(index_.maxTime()));
    if (rows.count() > 0) {
        out += ",\"firstTime\":" + timeText(0);
        out += ",\"lastTime\":" + timeText(rows.count() - 1);
    }
    return json(out + '}');
}

Answer TraceService::window(Reader& reader) const
{
    // Beyond the diagram's ys a window holds nothing: no bound but a sane one.
    constexpr double far = 1e15;
    WindowRequest request;
    request.top = reader.number("top", 0, -far, far);
    request.bottom = reader.number("bottom", request.top, -far, far);
    request.step = reader.number("step", 1, 1e-6, far);
    request.left = static_cast<int>(reader.number("left", 0, 0, data_->columns));
    request.right = static_cast<int>(reader.number("right", data_->columns - 1, -1, data_->columns));
    const std::optional<SearchTerms> terms = searchTerms(reader, "find");
    if (!reader.fault().empty())
        return Answer();
    if (request.bottom < request.top)
        return failure(400, "the window's bottom is above its top");
    if (terms && !terms->text.isEmpty())
        request.search = &searchFor(*terms);
    QByteArray out;
    std::string reason;
    if (!windowAnswer(*data_, index_, request, out, reason))
        return failure(413, reason);
    return json(out);
}

Answer TraceService::density(Reader& reader) const
{
    const int bins = static_cast<int>(reader.number("bins", 100, 1, maxBins));
    if (!reader.fault().empty())
        return Answer();
    if (bins != densityBins_) {
        // How many events fall in each stretch of the diagram, top to
        // bottom, as the page counts them.
        const RowLayout& rows = index_.rows();
        const double scale = bins / std::max(static_cast<double>(rows.height()), 1.0);
        std::vector<long long> counts(static_cast<size_t>(bins), 0);
        for (long long event = 0; event < index_.count(); ++event) {
            const double at = std::floor(static_cast<double>(rows.y(event)) * scale);
            ++counts[static_cast<size_t>(std::min<double>(bins - 1, at))];
        }
        const long long most = counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end());
        density_ = "{\"most\":" + QByteArray::number(most) + ",\"bins\":" +
                   list(counts, [](long long count) { return QByteArray::number(count); }) + '}';
        densityBins_ = bins;
    }
    return json(density_);
}

const LabelSearch& TraceService::searchFor(const SearchTerms& terms) const
{
    if (!search_ || !(search_->terms() == terms))
        search_ = std::make_unique<LabelSearch>(terms, *data_, index_.labels());
    return *search_;
}

std::optional<SearchTerms> TraceService::searchTerms(Reader& reader, const std::string& textName) const
{
    const std::optional<std::string> text = reader.text(textName);
    if (!text)
        return std::nullopt;
    if (text->size() > static_cast<size_t>(maxTextLength))
        reader.refuse("the search text is too long");
    SearchTerms terms;
    terms.text = QString::fromStdString(*text);
    terms.caseSensitive = reader.number("case", 1, 0, 1) != 0;
    terms.wholeWord = reader.number("word", 0, 0, 1) != 0;
    terms.kind = static_cast<int>(reader.number("kind", 0, 0, 255));
    if (reader.text("instance"))
        terms.instance = static_cast<unsigned long long>(reader.number("instance", 0, 0, 1.8e19));
    return terms;
}

Answer TraceService::search(Reader& reader) const
{
    const std::optional<SearchTerms> terms = searchTerms(reader, "text");
    const double from = reader.number("from", -1, -1, static_cast<double>(index_.count()));
    const std::optional<std::string> direction = reader.text("direction");
    if (!reader.fault().empty())
        return Answer();
    if (!terms || terms->text.isEmpty())
        return failure(400, "the search needs a text of 1 to 1000 bytes");
    const bool backward = direction && *direction == "previous";
    const LabelSearch& found = searchFor(*terms);
    // The next hit after `from` (the previous one before it), round the end.
    const long long at = static_cast<long long>(from);
    const long long hit = backward ? found.previous(at) : found.next(at);
    const long long ordinal = hit < 0 ? -1 : found.ordinal(hit);
    QByteArray out = "{\"count\":" + QByteArray::number(found.count()) +
                     ",\"ordinal\":" + QByteArray::number(ordinal) + ",\"event\":" + QByteArray::number(hit);
    if (hit >= 0) {
        out += ",\"y\":" + QByteArray::number(index_.rows().y(hit));
        out += ",\"height\":" + QByteArray::number(rowHeightOf(data_->event(hit).kind));
    }
    return json(out + '}');
}

Answer TraceService::hits(Reader& reader) const
{
    // A page lists a screen of hits at a time.
    constexpr int mostHits = 200;
    const std::optional<SearchTerms> terms = searchTerms(reader, "text");
    const double from = reader.number("from", -1, -1, static_cast<double>(index_.count()));
    const int count = static_cast<int>(reader.number("count", 50, 1, mostHits));
    if (!reader.fault().empty())
        return Answer();
    if (!terms || terms->text.isEmpty())
        return failure(400, "the search needs a text of 1 to 1000 bytes");
    const LabelSearch& found = searchFor(*terms);
    // The hits after `from`, up to the end of the trace.
    QByteArray out = "{\"count\":" + QByteArray::number(found.count()) + ",\"hits\":[";
    long long at = static_cast<long long>(from);
    for (int listed = 0; listed < count; ++listed) {
        const long long hit = found.next(at);
        if (hit <= at)
            break;
        const PageData::Event value = data_->event(hit);
        if (listed > 0)
            out += ',';
        out += "{\"event\":" + QByteArray::number(hit) + ",\"time\":" + timeText(hit) + ",\"label\":" +
               jsonString(data_->strings[static_cast<size_t>(value.label)], document) + '}';
        at = hit;
    }
    return json(out + "]}");
}

Answer TraceService::place(long long event) const
{
    QByteArray out = "{\"event\":" + QByteArray::number(event);
    if (event >= 0) {
        const RowLayout& rows = index_.rows();
        const PageData::Event value = data_->event(event);
        out += ",\"y\":" + QByteArray::number(rows.y(event));
        out += ",\"height\":" + QByteArray::number(rowHeightOf(value.kind));
        // What measuring and following an arrow need of an event not at hand.
        out += ",\"time\":" + QByteArray::number(value.time);
        out += ",\"partner\":" + QByteArray::number(value.partner);
    }
    return json(out + '}');
}

Answer TraceService::locate(Reader& reader) const
{
    const double event = reader.number("event", -1, 0, static_cast<double>(index_.count() - 1));
    if (!reader.fault().empty())
        return Answer();
    return place(static_cast<long long>(event));
}

long long TraceService::eventForText(const QString& given) const
{
    // A number in the trace's unit, a time as the axis writes it, or "#N".
    const QString text = given.trimmed();
    const long long count = index_.count();
    static const QRegularExpression ordinal(QStringLiteral("^#\\s*(\\d+)$"));
    static const QRegularExpression plain(QStringLiteral("^\\d+(\\.\\d+)?$"));
    if (const QRegularExpressionMatch match = ordinal.match(text); match.hasMatch()) {
        bool fits = false;
        const long long number = match.captured(1).toLongLong(&fits);
        return count == 0 ? -1 : (fits ? std::clamp(number, 1LL, count) : count) - 1;
    }
    if (plain.match(text).hasMatch())
        return atOrAfter(text.toDouble());
    const std::vector<QString>& timeTexts = data_->timeTexts;
    if (!timeTexts.empty()) {
        const auto found = std::find(timeTexts.begin(), timeTexts.end(), text);
        if (found == timeTexts.end())
            return -1;
        const int wanted = static_cast<int>(found - timeTexts.begin());
        const std::vector<int>& column = data_->timeText();
        const auto first = std::find(column.begin(), column.end(), wanted);
        return first == column.end() ? -1 : first - column.begin();
    }
    const QString unit = data_->timeUnit.trimmed();
    if (!unit.isEmpty() && text.endsWith(unit)) {
        const QString number = text.left(text.size() - unit.size()).trimmed();
        if (QRegularExpression(QStringLiteral("^\\d+$")).match(number).hasMatch())
            return atOrAfter(number.toDouble());
    }
    return -1;
}

long long TraceService::atOrAfter(double time) const
{
    if (index_.count() == 0)
        return -1;
    if (time <= 0)
        return 0;
    // Beyond every time a trace can hold.
    if (time >= 18446744073709551615.0)
        return -1;
    return index_.firstAtOrAfter(static_cast<unsigned long long>(std::ceil(time)));
}

Answer TraceService::time(Reader& reader) const
{
    if (const std::optional<std::string> text = reader.text("text")) {
        if (text->size() > static_cast<size_t>(maxTextLength))
            return failure(400, "the text is too long");
        return place(eventForText(QString::fromStdString(*text)));
    }
    const double time = reader.number("t", 0, -1e300, 1e300);
    if (!reader.fault().empty())
        return Answer();
    return place(atOrAfter(time));
}

}

std::shared_ptr<const Service> makeTraceService(std::unique_ptr<PageStore> pages, std::unique_ptr<PageData> data)
{
    return std::make_shared<TraceService>(std::move(pages), std::move(data));
}

}
