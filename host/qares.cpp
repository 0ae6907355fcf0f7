#include "qares.h"

#include <cstring>
#include <ostream>

std::ostream& operator<<(std::ostream& out, const RGBValue& color)
{
    return out << "rgb(" << color.red << ',' << color.green << ',' << color.blue << ')';
}

QARes::QARes(Type type, const char* tag) : type_(type), tag_(tag) {}

QARes::~QARes()
{
    // Free the following siblings one by one rather than recursively, so that
    // long chains cannot exhaust the stack.
    QARes* sibling = next_;
    while (sibling) {
        QARes* after = sibling->next_;
        sibling->next_ = nullptr;
        delete sibling;
        sibling = after;
    }
}

QARes* QARes::search(const char* tag, char)
{
    for (QARes* node = this; node; node = node->next_)
        if (node->isTag(tag))
            return node;
    return nullptr;
}

bool QARes::isTag(const char* tag) const
{
    return tag && !tag_.isNull() && std::strcmp(tag_.constData(), tag) == 0;
}

void QARes::setSource(const QByteArray& fileName, int line, int column)
{
    srcFileName_ = fileName;
    line_ = line;
    column_ = column;
}

QARes* QARes::addSibling(QARes* sibling)
{
    if (!sibling)
        return nullptr;
    QARes* last = sibling;
    while (last->next_)
        last = last->next_;
    last->next_ = next_;
    next_ = sibling;
    return sibling;
}

namespace {
template <class Kind>
Kind* nodeOfType(const QARes* node, QARes::Type type)
{
    return node->type() == type ? static_cast<Kind*>(const_cast<QARes*>(node)) : nullptr;
}
}

QAResGroup* QARes::toResGroup() { return nodeOfType<QAResGroup>(this, TYPE_GROUP); }
QAResList* QARes::toResList() { return nodeOfType<QAResList>(this, TYPE_LIST); }
QAResInt* QARes::toResInt() { return nodeOfType<QAResInt>(this, TYPE_INT); }
QAResString* QARes::toResString() { return nodeOfType<QAResString>(this, TYPE_STRING); }
QAResIdentifier* QARes::toResIdentifier() { return nodeOfType<QAResIdentifier>(this, TYPE_IDENTIFIER); }
QAResBoolean* QARes::toResBoolean() { return nodeOfType<QAResBoolean>(this, TYPE_BOOLEAN); }
QAResRGB* QARes::toResRGB() { return nodeOfType<QAResRGB>(this, TYPE_RGB); }
const QAResGroup* QARes::toResGroup() const { return nodeOfType<QAResGroup>(this, TYPE_GROUP); }
const QAResList* QARes::toResList() const { return nodeOfType<QAResList>(this, TYPE_LIST); }
const QAResInt* QARes::toResInt() const { return nodeOfType<QAResInt>(this, TYPE_INT); }
const QAResString* QARes::toResString() const { return nodeOfType<QAResString>(this, TYPE_STRING); }
const QAResIdentifier* QARes::toResIdentifier() const { return nodeOfType<QAResIdentifier>(this, TYPE_IDENTIFIER); }
const QAResBoolean* QARes::toResBoolean() const { return nodeOfType<QAResBoolean>(this, TYPE_BOOLEAN); }
const QAResRGB* QARes::toResRGB() const { return nodeOfType<QAResRGB>(this, TYPE_RGB); }

QAResContainer::~QAResContainer()
{
    delete firstChild_;
}

void QAResList::addItems(QARes* chain)
{
    if (!firstChild_) {
        firstChild_ = chain;
        return;
    }
    QARes* last = firstChild_;
    while (last->next())
        last = last->next();
    last->addSibling(chain);
}

bool QAResList::isListOf(QARes::Type type) const
{
    for (const QARes* item = firstChild(); item; item = item->next())
        if (item->type() != type)
            return false;
    return true;
}
