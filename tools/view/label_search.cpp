#include "label_search.h"

#include <html_page_data.h>

#include <algorithm>
#include <utility>

namespace view {

bool SearchTerms::operator==(const SearchTerms& other) const
{
    return text == other.text && caseSensitive == other.caseSensitive && wholeWord == other.wholeWord &&
           kind == other.kind && instance == other.instance;
}

namespace {

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

}

bool labelHolds(const QString& label, const SearchTerms& terms)
{
    const Qt::CaseSensitivity sensitivity = terms.caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (!terms.wholeWord)
        return label.contains(terms.text, sensitivity);
    const qsizetype length = terms.text.size();
    for (qsizetype at = label.indexOf(terms.text, 0, sensitivity); at >= 0;
         at = label.indexOf(terms.text, at + 1, sensitivity)) {
        const bool startsWord = at == 0 || !isWordCharacter(label[at - 1]);
        const bool endsWord = at + length == label.size() || !isWordCharacter(label[at + length]);
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

LabelSearch::LabelSearch(SearchTerms terms, const PageData& data, const std::vector<int>& labels)
    : terms_(std::move(terms)), data_(data), labels_(labels), matched_(data.strings.size(), 0)
{
    bool any = false;
    for (size_t s = 0; s < data.strings.size(); ++s) {
        if (labelHolds(data.strings[s], terms_)) {
            matched_[s] = 1;
            any = true;
        }
    }
    if (terms_.instance) {
        const PageData::Lifelines& lines = data.lifelines;
        lifelines_.resize(static_cast<size_t>(std::max(data.columns, 0)));
        for (size_t line = 0; line < lines.column.size(); ++line) {
            const long long start = lines.start[line] == PageData::none ? -1 : lines.start[line];
            lifelines_[static_cast<size_t>(lines.column[line])].push_back({start, lines.id[line]});
        }
    }
    before_.push_back(0);
    for (long long first = 0; first < events(); first += block) {
        long long hits = 0;
        for (long long event = first; any && event < std::min(events(), first + block); ++event)
            hits += isHit(event) ? 1 : 0;
        before_.push_back(before_.back() + hits);
    }
}

bool LabelSearch::onInstance(long long event, int column) const
{
    if (column < 0 || static_cast<size_t>(column) >= lifelines_.size())
        return false;
    // The column's last lifeline to start at or before the event.
    const auto& lines = lifelines_[static_cast<size_t>(column)];
    const auto after = std::upper_bound(lines.begin(), lines.end(), event,
                                        [](long long at, const auto& line) { return at < line.first; });
    return after != lines.begin() && std::prev(after)->second == *terms_.instance;
}

bool LabelSearch::isHit(long long event) const
{
    const int label = labels_[static_cast<size_t>(event)];
    if (label < 0 || !matched_[static_cast<size_t>(label)])
        return false;
    if (terms_.kind == 0 && !terms_.instance)
        return true;
    const PageData::Event value = data_.event(event);
    if (terms_.kind != 0 && value.kind != terms_.kind)
        return false;
    return !terms_.instance || onInstance(event, value.from) || onInstance(event, value.to);
}

long long LabelSearch::next(long long event) const
{
    if (count() == 0)
        return -1;
    // Within the block of the event after, then block by block, then
    // round the end from the start.
    for (long long at = std::max(0LL, event + 1); at < events();) {
        const long long blockOf = at / block;
        if (hitsIn(blockOf) == 0) {
            at = (blockOf + 1) * block;
            continue;
        }
        for (const long long end = std::min(events(), (blockOf + 1) * block); at < end; ++at) {
            if (isHit(at))
                return at;
        }
    }
    return next(-1);
}

long long LabelSearch::previous(long long event) const
{
    if (count() == 0)
        return -1;
    for (long long at = std::min(events(), event) - 1; at >= 0;) {
        const long long blockOf = at / block;
        if (hitsIn(blockOf) == 0) {
            at = blockOf * block - 1;
            continue;
        }
        for (const long long start = blockOf * block; at >= start; --at) {
            if (isHit(at))
                return at;
        }
    }
    return previous(events());
}

long long LabelSearch::ordinal(long long hit) const
{
    const long long blockOf = hit / block;
    long long ordinal = before_[static_cast<size_t>(blockOf)];
    for (long long event = blockOf * block; event < hit; ++event)
        ordinal += isHit(event) ? 1 : 0;
    return ordinal;
}

}
