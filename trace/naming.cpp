#include "naming.h"

#include "internal/resource_report.h"

#include <qares.h>

#include <QCoreApplication>
#include <QVarLengthArray>

#include <algorithm>

#include <climits>
#include <cstring>

using namespace tdf::internal;

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// What a step fills a marker with: a string the configuration or the
// static model holds (shared, not copied), or a number written here.
class StepValue {
public:
    void setText(const QString& text)
    {
        text_ = &text;
        view_ = text;
    }
    void setNumber(long long number)
    {
        // The digits from the end of the buffer, as QString::number writes them.
        unsigned long long magnitude = number < 0 ? 0ULL - static_cast<unsigned long long>(number) : number;
        QChar* digit = digits_ + sizeof digits_ / sizeof digits_[0];
        do {
            *--digit = QLatin1Char(char('0' + magnitude % 10));
            magnitude /= 10;
        } while (magnitude > 0);
        if (number < 0)
            *--digit = QLatin1Char('-');
        text_ = nullptr;
        view_ = QStringView(digit, digits_ + sizeof digits_ / sizeof digits_[0]);
    }
    QStringView view() const { return view_; }
    QString toString() const { return text_ ? *text_ : view_.toString(); }

private:
    const QString* text_ = nullptr;
    QChar digits_[24];
    QStringView view_;
};

// Fills the lowest-numbered place marker ("%n" or "%Ln", n of one or two
// digits) of `text` with `value`, every occurrence of it, as QString::arg
// does for a string argument. Unlike QString::arg, a text without markers
// is returned unchanged without a warning: a naming may well have more
// steps than markers. A text that is one marker alone gives the value,
// shared with the string it came from.
QString fillLowestPlaceMarker(const QString& text, const StepValue& value)
{
    struct Marker {
        int start;
        int end;
        int number;
    };
    QVarLengthArray<Marker, 8> markers;
    int lowest = INT_MAX;
    const QChar* characters = text.constData();
    const int length = int(text.size());
    for (int i = 0; i < length; ++i) {
        if (characters[i] != QLatin1Char('%'))
            continue;
        int at = i + 1;
        if (at < length && characters[at] == QLatin1Char('L'))
            ++at;
        if (at >= length || !isAsciiDigit(characters[at]))
            continue;
        int number = characters[at++].unicode() - '0';
        if (at < length && isAsciiDigit(characters[at]))
            number = number * 10 + (characters[at++].unicode() - '0');
        markers.append({i, at, number});
        lowest = std::min(lowest, number);
        i = at - 1;
    }
    if (markers.isEmpty())
        return text;
    // (Filled with a null string, the text becomes an empty one, not null.)
    if (markers.size() == 1 && markers[0].start == 0 && markers[0].end == length && !value.view().isNull())
        return value.toString();
    // Names are made for every instance of a trace: one allocation each.
    const QStringView filling = value.view();
    qsizetype filledLength = length;
    for (const Marker& marker : markers)
        if (marker.number == lowest)
            filledLength += filling.size() - (marker.end - marker.start);
    QString filled(filledLength, Qt::Uninitialized);
    QChar* out = filled.data();
    int copied = 0;
    for (const Marker& marker : markers) {
        if (marker.number != lowest)
            continue;
        out = std::copy(characters + copied, characters + marker.start, out);
        out = std::copy(filling.begin(), filling.end(), out);
        copied = marker.end;
    }
    std::copy(characters + copied, characters + length, out);
    return filled;
}

// Starts from the naming's format and fills one marker per step after the
// first, with what `valueOf` gives for the step; steps it declines are
// skipped.
template <class ValueOf>
QString compose(const Naming& naming, ValueOf valueOf)
{
    QString name = naming.format;
    if (!naming.head)
        return name;
    StepValue value;
    for (ListNode<NamingOp*>* node = naming.head->next; node != naming.head; node = node->next)
        if (valueOf(*node->value, &value))
            name = fillLowestPlaceMarker(name, value);
    return name;
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
        const QString name = QCoreApplication::translate(
            "Naming", "obj%1:%2",
            "%1 is an occurence number, %2 a class name; result is displayed in trace viewer");
        StepValue number;
        number.setNumber(occurrence);
        StepValue text;
        text.setText(staticName);
        return fillLowestPlaceMarker(fillLowestPlaceMarker(name, number), text);
    }
    return compose(*naming, [&](const NamingOp& step, StepValue* value) {
        switch (step.type) {
        case NamingOp::LITERAL: value->setText(step.text); return true;
        case NamingOp::D_OCCURENCE: value->setNumber(occurrence); return true;
        case NamingOp::STATIC_NAME: value->setText(staticName); return true;
        default: return false;
        }
    });
}

QString Naming::processLoop(Naming* naming, int number, const QString& loopId, int repeat)
{
    if (!naming) {
        const QString name = QCoreApplication::translate(
            "Naming", "Loop%1:%2",
            "%1 is a loop id (ie 3.2.8), %2 the number of iteration; this string is displayed a the loop name");
        StepValue id;
        id.setText(loopId);
        StepValue repeats;
        repeats.setNumber(repeat);
        return fillLowestPlaceMarker(fillLowestPlaceMarker(name, id), repeats);
    }
    return compose(*naming, [&](const NamingOp& step, StepValue* value) {
        switch (step.type) {
        case NamingOp::LITERAL: value->setText(step.text); return true;
        case NamingOp::LOOP_ID: value->setText(loopId); return true;
        case NamingOp::LOOP_REPEAT: value->setNumber(repeat); return true;
        case NamingOp::LOOP_NUMBER: value->setNumber(number); return true;
        default: return false;
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
