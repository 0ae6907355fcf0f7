#include "html_page_json.h"

#include "html_number_column.h"
#include "html_page_data.h"
#include "json_string.h"

#include <type_traits>

namespace {

// The page carries its data inside a script element.
constexpr JsonStringUse inScript = JsonStringUse::HtmlScript;

template <typename T>
void appendArray(QByteArray& json, const char* name, const std::vector<T>& values)
{
    json += '"';
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
}

void appendNumbers(QByteArray& json, const char* name, const QByteArray& encoded)
{
    json += '"';
    json += name;
    json += "\":\"";
    json += encoded;
    json += "\",";
}

}

QByteArray pageDataJson(const PageData& data)
{
    QByteArray json = "{";
    json += "\"version\":1,\"count\":" + QByteArray::number(static_cast<qulonglong>(data.events.kind.size())) + ',';
    json += "\"columns\":" + QByteArray::number(data.columns) + ",\"world\":" + (data.world ? "true" : "false") + ',';
    json += "\"title\":" + jsonString(data.title, inScript) + ',';
    json += "\"caption\":" + jsonString(data.caption, inScript) + ',';
    json += "\"timeUnit\":" + jsonString(data.timeUnit, inScript) + ',';
    json += "\"barStyle\":" + QByteArray::number(data.barStyle) + ',';
    appendArray(json, "strings", data.strings);
    appendArray(json, "styles", data.styles);
    appendArray(json, "threadNames", data.threadNames);
    appendArray(json, "threadColors", data.threadColors);
    appendArray(json, "timeTexts", data.timeTexts);

    const PageData::Events& events = data.events;
    json += "\"events\":{";
    appendNumbers(json, "kind", encodeNumbers(events.kind));
    appendNumbers(json, "time", encodeNumbers(events.time, true));
    appendNumbers(json, "from", encodeNumbers(events.from));
    appendNumbers(json, "to", encodeNumbers(events.to));
    appendNumbers(json, "style", encodeNumbers(events.style));
    appendNumbers(json, "label", encodeNumbers(events.label));
    appendNumbers(json, "link", encodeNumbers(events.link));
    appendNumbers(json, "partner", encodeNumbers(events.partner));
    appendNumbers(json, "owner", encodeNumbers(events.owner));
    appendNumbers(json, "thread", encodeNumbers(events.thread));
    appendNumbers(json, "flags", encodeNumbers(events.flags));
    appendNumbers(json, "timeText", encodeNumbers(events.timeText, true));
    appendNumbers(json, "members", encodeNumbers(events.members));
    json.chop(1);
    json += "},";

    const PageData::Lifelines& lines = data.lifelines;
    json += "\"lifelines\":{";
    appendNumbers(json, "column", encodeNumbers(lines.column));
    appendNumbers(json, "start", encodeNumbers(lines.start));
    appendNumbers(json, "end", encodeNumbers(lines.end));
    appendNumbers(json, "title", encodeNumbers(lines.title));
    appendNumbers(json, "tooltip", encodeNumbers(lines.tooltip));
    appendNumbers(json, "link", encodeNumbers(lines.link));
    appendNumbers(json, "titleStyle", encodeNumbers(lines.titleStyle));
    appendNumbers(json, "lineStyle", encodeNumbers(lines.lineStyle));
    appendNumbers(json, "crossStyle", encodeNumbers(lines.crossStyle));
    appendNumbers(json, "id", encodeNumbers(lines.id));
    json.chop(1);
    json += "},";

    json += "\"bars\":{";
    appendNumbers(json, "lifeline", encodeNumbers(data.bars.lifeline));
    appendNumbers(json, "start", encodeNumbers(data.bars.start));
    appendNumbers(json, "end", encodeNumbers(data.bars.end));
    json.chop(1);
    json += "},";

    const PageData::Loops& loops = data.loops;
    json += "\"loops\":{";
    appendNumbers(json, "start", encodeNumbers(loops.start));
    appendNumbers(json, "end", encodeNumbers(loops.end));
    appendNumbers(json, "left", encodeNumbers(loops.left));
    appendNumbers(json, "right", encodeNumbers(loops.right));
    appendNumbers(json, "parent", encodeNumbers(loops.parent));
    appendNumbers(json, "label", encodeNumbers(loops.label));
    appendNumbers(json, "link", encodeNumbers(loops.link));
    appendNumbers(json, "style", encodeNumbers(loops.style));
    appendNumbers(json, "endStyle", encodeNumbers(loops.endStyle));
    json.chop(1);
    json += "}}";
    return json;
}
