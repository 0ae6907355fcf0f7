#include "naming.h"

#include "internal/resource_report.h"

#include <qares.h>

#include <QCoreApplication>
#include <QVarLengthArray>

#include <algorithm>

#include <climits>
#include <cstring>
#include <iterator>

using namespace tdf::internal;

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Fills place markers ("%n" or "%Ln", n of one or two digits) step by
// step: each step fills the lowest-numbered marker left in the text, every
// occurrence of it, as QString::arg does for a string argument. Unlike
// QString::arg, a text without markers is left unchanged without a
// warning: a naming may well have more steps than markers. Names are made
// for every instance of a trace, so the steps write into two buffers of
// their own and the name is allocated once, at the end, or not at all
// when it is a value whole (a format of one marker).
class MarkerFilling {
public:
    explicit MarkerFilling(const QString& format) : whole_(format), text_(whole_) {}
    MarkerFilling(const MarkerFilling&) = delete;
    MarkerFilling& operator=(const MarkerFilling&) = delete;

    void fill(const QString& value) { fill(QStringView(value), value.isNull() ? nullptr : &value); }
    // A number as QString::number writes it.
    void fill(int number)
    {
        QChar digits[12];
        QChar* start = std::end(digits);
        unsigned magnitude = number < 0 ? 0u - unsigned(number) : unsigned(number);
        do {
            *--start = QChar(char16_t(u'0' + magnitude % 10));
            magnitude /= 10;
        } while (magnitude);
        if (number < 0)
            *--start = QLatin1Char('-');
        fill(QStringView(start, std::end(digits)), nullptr);
    }

    QString text() const { return isWhole_ ? whole_ : QString(text_.data(), text_.size()); }

private:
    struct Marker {
        qsizetype start;
        qsizetype end;
        int number;
    };

    // `wholeValue` is the value as a string to share, or null.
    void fill(QStringView value, const QString* wholeValue)
    {
        QVarLengthArray<Marker, 8> markers;
        int lowest = INT_MAX;
        const qsizetype length = text_.size();
        for (qsizetype i = 0; i < length; ++i) {
            if (text_[i] != QLatin1Char('%'))
                continue;
            qsizetype at = i + 1;
            if (at < length && text_[at] == QLatin1Char('L'))
                ++at;
            if (at >= length || !isAsciiDigit(text_[at]))
                continue;
            int number = text_[at++].unicode() - '0';
            if (at < length && isAsciiDigit(text_[at]))
                number = number * 10 + (text_[at++].unicode() - '0');
            markers.append({i, at, number});
            lowest = std::min(lowest, number);
            i = at - 1;
        }
        if (markers.isEmpty())
            return;
        if (wholeValue && markers.size() == 1 && markers[0].start == 0 && markers[0].end == length) {
            whole_ = *wholeValue;
            isWhole_ = true;
            text_ = whole_;
            return;
        }
        // The text may be in the other buffer, never in this one.
        QVarLengthArray<QChar, 128>& filled = buffers_[nextBuffer_];
        nextBuffer_ = 1 - nextBuffer_;
        filled.clear();
        qsizetype copied = 0;
        for (const Marker& marker : markers) {
            if (marker.number != lowest)
                continue;
            filled.append(text_.data() + copied, marker.start - copied);
            filled.append(value.data(), value.size());
            copied = marker.end;
        }
        filled.append(text_.data() + copied, length - copied);
        text_ = QStringView(filled.data(), filled.size());
        isWhole_ = false;
    }

    QString whole_;  // the text while it is the format or a value whole
    QStringView text_;
    bool isWhole_ = true;
    QVarLengthArray<QChar, 128> buffers_[2];
    int nextBuffer_ = 0;
};

// Starts from the naming's format and fills one marker per step after the
// first, with what `fillWith` gives for the step; steps it declines are
// skipped.
template <class FillWith>
QString compose(const Naming& naming, FillWith fillWith)
{
    MarkerFilling name(naming.format);
    if (naming.head)
        for (ListNode<NamingOp*>* node = naming.head->next; node != naming.head; node = node->next)
            fillWith(*node->value, name);
    return name.text();
}

const struct {
    const char* text;
    NamingOp::NamingType type;
} stepNames[] = {{"D_OCCURENCE", NamingOp::D_OCCURENCE},
                 {"STATIC_NAME", NamingOp::STATIC_NAME},
                 {"LOOP_ID", NamingOp::LOOP_ID},
                 {"LOOP_REPEAT", NamingOp::LOOP_REPEAT},
                 {"LOOP_NUMBER", NamingOp::LOOP_NUMBER}};

// The step named by an identifier, or null for an unknown name.
NamingOp* stepFromIdentifier(const char* text)
{
    for (const auto& step : stepNames)
        if (text && std::strcmp(text, step.text) == 0)
            return new NamingOp(step.type);
    return nullptr;
}

}

NamingOp::NamingOp(const QString& literal) : type(LITERAL), text(literal) {}

NamingOp::NamingOp(NamingOp::NamingType stepType) : type(stepType) {}

Naming::~Naming()
{
    for (NamingOp* step : *this)
        delete step;
}

void Naming::setFormat(const QString& newFormat)
{
    format = newFormat;
}

QString Naming::processInstance(Naming* naming, int occurrence, const QString& staticName)
{
    if (!naming) {
        MarkerFilling name(QCoreApplication::translate(
            "Naming", "obj%1:%2",
            "%1 is an occurence number, %2 a class name; result is displayed in trace viewer"));
        name.fill(occurrence);
        name.fill(staticName);
        return name.text();
    }
    return compose(*naming, [&](const NamingOp& step, MarkerFilling& name) {
        switch (step.type) {
        case NamingOp::LITERAL: name.fill(step.text); return;
        case NamingOp::D_OCCURENCE: name.fill(occurrence); return;
        case NamingOp::STATIC_NAME: name.fill(staticName); return;
        default: return;
        }
    });
}

QString Naming::processLoop(Naming* naming, int number, const QString& loopId, int repeat)
{
    if (!naming) {
        MarkerFilling name(QCoreApplication::translate(
            "Naming", "Loop%1:%2",
            "%1 is a loop id (ie 3.2.8), %2 the number of iteration; this string is displayed a the loop name"));
        name.fill(loopId);
        name.fill(repeat);
        return name.text();
    }
    return compose(*naming, [&](const NamingOp& step, MarkerFilling& name) {
        switch (step.type) {
        case NamingOp::LITERAL: name.fill(step.text); return;
        case NamingOp::LOOP_ID: name.fill(loopId); return;
        case NamingOp::LOOP_REPEAT: name.fill(repeat); return;
        case NamingOp::LOOP_NUMBER: name.fill(number); return;
        default: return;
        }
    });
}

Naming* _TCFFromResources_Naming(QAResList* list, const char* listName)
{
    Naming* naming = new Naming;
    QARes* first = list ? list->firstChild() : nullptr;
    if (!first || !first->toResString())
        return naming;
    naming->setFormat(first->toResString()->value());

    for (QARes* item = first; item; item = item->next()) {
        NamingOp* step = nullptr;
        if (QAResString* literal = item->toResString()) {
            step = new NamingOp(literal->value());
        } else if (QAResIdentifier* identifier = item->toResIdentifier()) {
            step = stepFromIdentifier(identifier->value());
            if (!step)
                reportErrorAt(QCoreApplication::translate("Load TCF", "unknown identifier into %1 list",
                                                     "%1 is a list name")
                             .arg(QString::fromLatin1(listName)),
                         item);
        } else {
            reportErrorAt(QCoreApplication::translate("Load TCF", "unhandled resource type (%1) into %2 list",
                                                 "%1 is a number, %2 a string")
                         .arg(QString::number(item->type()), QString::fromLatin1(listName)),
                     item);
        }
        if (!step) {
            delete naming;
            return nullptr;
        }
        naming->append(step);
    }
    return naming;
}
