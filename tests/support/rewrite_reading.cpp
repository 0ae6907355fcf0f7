#include "rewrite_reading.h"

#include "model_snapshot.h"

#include <error.h>
#include <tdf.h>
#include <tdfwrt.h>

#include <algorithm>
#include <sstream>

std::vector<std::string> traceLines(const std::string& text)
{
    std::vector<std::string> lines;
    const size_t chunk = TDF::lineBufferSize - 1;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        end = std::min(end, start + chunk);
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

namespace {

// NT starts a new trace in normal mode; inside a block or an action block
// it is not read as a statement.
bool startsNewTrace(const TDF& reader, const std::string& line)
{
    return !reader.definitionMode && !reader.actionBlockMode && line.compare(0, 2, "NT") == 0;
}

}

RewriteReading readAndRewrite(TCFList* configurations, const std::string& text, bool withTimes)
{
    const int errorsBefore = Error::error_count_;
    RewriteReading reading;
    std::ostringstream out;
    TDF reader(configurations);
    TDFWriter writer(out);
    writer.writeTimes = withTimes;
    for (const std::string& line : traceLines(text)) {
        if (startsNewTrace(reader, line))
            reading.models.push_back(snapshotModel(reader, withTimes));
        TDF::ModelChangment change;
        TDFObject* object = reader.read(line.c_str(), nullptr, &change);
        writer.writeReadLine(reader, object);
    }
    writer.writeEnd(reader);
    reading.models.push_back(snapshotModel(reader, withTimes));
    reading.rewritten = out.str();
    reading.errors = Error::error_count_ - errorsBefore;
    return reading;
}

std::string firstModelDifference(const RewriteReading& read, const RewriteReading& reread)
{
    if (read.models.size() != reread.models.size())
        return std::to_string(read.models.size()) + " traces read, " + std::to_string(reread.models.size()) +
               " in the rewrite\n";
    for (size_t model = 0; model < read.models.size(); ++model) {
        const std::vector<std::string>& a = read.models[model];
        const std::vector<std::string>& b = reread.models[model];
        for (size_t line = 0; line < std::max(a.size(), b.size()); ++line) {
            const std::string left = line < a.size() ? a[line] : "(nothing)";
            const std::string right = line < b.size() ? b[line] : "(nothing)";
            if (left != right)
                return "trace " + std::to_string(model) + ", line " + std::to_string(line) + "\n  read:      " + left +
                       "\n  rewritten: " + right + '\n';
        }
    }
    return std::string();
}
