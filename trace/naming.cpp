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

// Fills the lowest-numbered place marker ("%n" or "%Ln", n of one or two
// digits) of `text` with `value`, every occurrence of it, as QString::arg
// does for a string argument. Unlike QString::arg, a text without markers
// is returned unchanged without a warning: a naming may well have more
// steps than markers.
QString fillLowestPlaceMarker(const QString& text, const QString& value)
{
    struct Marker {
        int start;
        int end;
        int number;
    };
    QVarLengthArray<Marker, 8> markers;
    int lowest = INT_MAX;
    const int length = int(text.size());
    for (int i = 0; i < length; ++i) {
        if (text[i] != QLatin1Char('%'))
            continue;
        int at = i + 1;
        if (at < length && text[at] == QLatin1Char('L'))
            ++at;
        if (at >= length || !isAsciiDigit(text[at]))
            continue;
        int number = text[at++].unicode() - '0';
        if (at < length && isAsciiDigit(text[at]))
            number = number * 10 + (text[at++].unicode() - '0');
        markers.append({i, at, number});
        lowest = std::min(lowest, number);
        i = at - 1;
    }
    if (markers.isEmpty())
        return text;
    // Names are made for every instance of a trace: one allocation each.
    qsizetype filledLength = length;
    for (const Marker& marker : markers)
        if (marker.number == lowest)
            filledLength += value.size() - (marker.end - marker.start);
    QString filled;
    filled.reserve(filledLength);
    int copied = 0;
    for (const Marker& marker : markers) {
        if (marker.number != lowest)
            continue;
        filled += QStringView(text).mid(copied, marker.start - copied);
        filled += value;
        copied = marker.end;
    }
    filled += QStringView(text).mid(copied);
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
    for (ListNode<NamingOp*>* node = naming.head->next; node != naming.head; node = node->next) {
        QString value;
        if (valueOf(*node->value, &value))
            name = fillLowestPlaceMarker(name, value);
    }
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
        QString name = QCoreApplication::translate(
            "Naming", "obj%1:%2",
            "%1 is an occurence number, %2 a class name; result is displayed in trace viewer");
        return fillLowestPlaceMarker(fillLowestPlaceMarker(name, QString::number(occurrence)), staticName);
    }
    return compose(*naming, [&](const NamingOp& step, QString* value) {
        switch (step.type) {
        case NamingOp::LITERAL: *value = step.text; return true;
        case NamingOp::D_OCCURENCE: *value = QString::number(occurrence); return true;
        case NamingOp::STATIC_NAME: *value = staticName; return true;
        default: return false;
        }
    });
}

QString Naming::processLoop(Naming* naming, int number, const QString& loopId, int repeat)
{
    if (!naming) {
        QString name = QCoreApplication::translate(
            "Naming", "Loop%1:%2",
            "%1 is a loop id (ie 3.2.8), %2 the number of iteration; this string is displayed a the loop name");
        return fillLowestPlaceMarker(fillLowestPlaceMarker(name, loopId), QString::number(repeat));
    }
    return compose(*naming, [&](const NamingOp& step, QString* value) {
        switch (step.type) {
        case NamingOp::LITERAL: *value = step.text; return true;
        case NamingOp::LOOP_ID: *value = loopId; return true;
        case NamingOp::LOOP_REPEAT: *value = QString::number(repeat); return true;
        case NamingOp::LOOP_NUMBER: *value = QString::number(number); return true;
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
