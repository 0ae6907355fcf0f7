#include "html_page_json.h"

#include "html_number_column.h"
#include "html_page_data.h"
#include "json_string.h"

#include <functional>
#include <iterator>
#include <type_traits>
#include <utility>

namespace {

// The page carries its data inside a script element.
constexpr JsonStringUse inScript = JsonStringUse::HtmlScript;

template <typename T>
QByteArray array(const char* name, const std::vector<T>& values)
{
    QByteArray json = "\"";
    json += name;
    json += "\":[";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            json += ',';
        if constexpr (std::is_same_v<T, QByteArray>)
            json += values[i];
        else
            appendJsonString(json, values[i], inScript);
    }
    json += "],";
    return json;
}

// A number column and what follows it: a comma, or the end of its object.
QByteArray numbers(const char* name, const QByteArray& encoded, const char* after = ",")
{
    QByteArray json = "\"";
    json += name;
    json += "\":\"";
    json += encoded;
    json += '"';
    json += after;
    return json;
}

}

QByteArray problemsJson(const PageData& data, JsonStringUse use)
{
    QByteArray json = "\"problems\":[";
    for (const PageData::Problem& problem : data.problems) {
        if (json.endsWith('}'))
            json += ',';
        json += "{\"file\":" + jsonString(problem.file, use);
        json += ",\"line\":" + (problem.line > 0 ? QByteArray::number(problem.line) : QByteArray("null"));
        json += ",\"severity\":" + QByteArray(problem.error ? "\"error\"" : "\"warning\"");
        json += ",\"message\":" + jsonString(problem.message, use);
        json += ",\"event\":" + (problem.event >= 0 ? QByteArray::number(problem.event) : QByteArray("null"));
        json += '}';
    }
    return json + "],\"problemCount\":" + QByteArray::number(data.problemCount);
}

bool writePageDataJson(const PageData& data, const PageWriter& write)
{
    QByteArray json = "{";
    json += "\"version\":1,\"count\":" + QByteArray::number(static_cast<qulonglong>(data.events())) + ',';
    json += "\"traces\":" + QByteArray::number(data.traces) + ',';
    json += "\"columns\":" + QByteArray::number(data.columns) + ",\"world\":" + (data.world ? "true" : "false") + ',';
    json += "\"title\":" + jsonString(data.title, inScript) + ',';
    json += "\"caption\":" + jsonString(data.caption, inScript) + ',';
    json += "\"timeUnit\":" + jsonString(data.timeUnit, inScript) + ',';
    json += "\"barStyle\":" + QByteArray::number(data.barStyle) + ',';
    json += problemsJson(data, inScript) + ',';
    json += array("strings", data.strings);
    json += array("styles", data.styles);
    json += array("threadNames", data.threadNames);
    json += array("threadColors", data.threadColors);
    json += array("timeTexts", data.timeTexts);
    json += "\"events\":{";
    if (!write(json))
        return false;

    // The event columns one at a time: each is made, written in pieces and
    // let go before the next.
    using Column = std::function<bool(const NumberSink&)>;
    const std::pair<const char*, Column> columns[] = {
        {"kind", [&](const NumberSink& to) { return writeNumbers(data.kind(), to); }},
        {"time", [&](const NumberSink& to) { return writeNumbers(data.time(), true, to); }},
        {"from", [&](const NumberSink& to) { return writeNumbers(data.from(), false, to); }},
        {"to", [&](const NumberSink& to) { return writeNumbers(data.to(), false, to); }},
        {"style", [&](const NumberSink& to) { return writeNumbers(data.style(), false, to); }},
        {"label", [&](const NumberSink& to) { return writeNumbers(data.label(), false, to); }},
        {"link", [&](const NumberSink& to) { return writeNumbers(data.link(), false, to); }},
        {"partner", [&](const NumberSink& to) { return writeNumbers(data.partner(), false, to); }},
        {"owner", [&](const NumberSink& to) { return writeNumbers(data.owner(), false, to); }},
        {"thread", [&](const NumberSink& to) { return writeNumbers(data.thread(), false, to); }},
        {"flags", [&](const NumberSink& to) { return writeNumbers(data.flags(), false, to); }},
        {"timeText", [&](const NumberSink& to) { return writeNumbers(data.timeText(), true, to); }},
        {"members", [&](const NumberSink& to) { return writeNumbers(data.members(), false, to); }},
    };
    for (const auto& [name, column] : columns) {
        const bool last = &name == &columns[std::size(columns) - 1].first;
        if (!write(QByteArray("\"") + name + "\":\"") || !column(write) || !write(last ? "\"}," : "\","))
            return false;
    }

    const PageData::Lifelines& lines = data.lifelines;
    json = "\"lifelines\":{";
    json += numbers("column", encodeNumbers(lines.column));
    json += numbers("start", encodeNumbers(lines.start));
    json += numbers("end", encodeNumbers(lines.end));
    json += numbers("last", encodeNumbers(lines.last));
    json += numbers("title", encodeNumbers(lines.title));
    json += numbers("tooltip", encodeNumbers(lines.tooltip));
    json += numbers("link", encodeNumbers(lines.link));
    json += numbers("titleStyle", encodeNumbers(lines.titleStyle));
    json += numbers("lineStyle", encodeNumbers(lines.lineStyle));
    json += numbers("crossStyle", encodeNumbers(lines.crossStyle));
    json += numbers("id", encodeNumbers(lines.id), "},");

    json += "\"bars\":{";
    json += numbers("lifeline", encodeNumbers(data.bars.lifeline));
    json += numbers("start", encodeNumbers(data.bars.start));
    json += numbers("end", encodeNumbers(data.bars.end), "},");

    const PageData::Loops& loops = data.loops;
    json += "\"loops\":{";
    json += numbers("start", encodeNumbers(loops.start));
    json += numbers("end", encodeNumbers(loops.end));
    json += numbers("left", encodeNumbers(loops.left));
    json += numbers("right", encodeNumbers(loops.right));
    json += numbers("parent", encodeNumbers(loops.parent));
    json += numbers("label", encodeNumbers(loops.label));
    json += numbers("link", encodeNumbers(loops.link));
    json += numbers("style", encodeNumbers(loops.style));
    json += numbers("endStyle", encodeNumbers(loops.endStyle));
    json.chop(1);
    json += "}}";
    return write(json);
}
