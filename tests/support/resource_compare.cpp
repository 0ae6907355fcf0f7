#include "resource_compare.h"

#include <qares.h>

#include <cstring>

namespace {

bool sameText(const char* a, const char* b)
{
    return (!a && !b) || (a && b && std::strcmp(a, b) == 0);
}

bool sameValue(const QARes* a, const QARes* b)
{
    switch (a->type()) {
    case QARes::TYPE_GROUP: return sameResources(a->toResGroup()->firstChild(), b->toResGroup()->firstChild());
    case QARes::TYPE_LIST: return sameResources(a->toResList()->firstChild(), b->toResList()->firstChild());
    case QARes::TYPE_INT: return a->toResInt()->value() == b->toResInt()->value();
    case QARes::TYPE_STRING: return a->toResString()->value() == b->toResString()->value();
    case QARes::TYPE_IDENTIFIER: return sameText(a->toResIdentifier()->value(), b->toResIdentifier()->value());
    case QARes::TYPE_BOOLEAN: return a->toResBoolean()->value() == b->toResBoolean()->value();
    case QARes::TYPE_RGB: return a->toResRGB()->value() == b->toResRGB()->value();
    }
    return false;
}

}

bool sameResources(const QARes* a, const QARes* b)
{
    for (; a && b; a = a->next(), b = b->next())
        if (a->type() != b->type() || !sameText(a->tag(), b->tag()) || !sameValue(a, b))
            return false;
    return !a && !b;
}
