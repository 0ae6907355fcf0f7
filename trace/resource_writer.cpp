#include "resource_writer.h"

#include <qares.h>

#include <cstring>
#include <ostream>
#include <string>

namespace {

bool isBareWord(const char* text)
{
    if (!text || !*text)
        return false;
    for (const char* c = text; *c; ++c) {
        bool letter = (*c >= 'A' && *c <= 'Z') || (*c >= 'a' && *c <= 'z') || *c == '_';
        if (!letter && (c == text || *c < '0' || *c > '9'))
            return false;
    }
    return true;
}

class Writer {
public:
    explicit Writer(std::ostream& out) : out_(out) {}

    bool faithful() const { return faithful_; }

    void writeEntries(const QARes* first, int depth)
    {
        for (const QARes* node = first; node; node = node->next()) {
            indent(depth);
            check(isBareWord(node->tag()));
            out_ << (node->tag() ? node->tag() : "") << " = ";
            writeValue(node, depth);
            out_ << '\n';
        }
    }

private:
    void check(bool ok) { faithful_ = faithful_ && ok; }

    void indent(int depth) { out_ << std::string(4 * depth, ' '); }

    void writeValue(const QARes* node, int depth)
    {
        if (const QAResGroup* group = node->toResGroup()) {
            if (!group->firstChild()) {
                out_ << "{ }";
                return;
            }
            out_ << "{\n";
            writeEntries(group->firstChild(), depth + 1);
            indent(depth);
            out_ << '}';
        } else if (const QAResList* list = node->toResList()) {
            writeItems(list->firstChild(), depth);
        } else if (const QAResInt* number = node->toResInt()) {
            out_ << number->value();
        } else if (const QAResString* text = node->toResString()) {
            writeString(text->value().toUtf8());
        } else if (const QAResBoolean* flag = node->toResBoolean()) {
            out_ << (flag->value() ? "true" : "false");
        } else if (const QAResRGB* color = node->toResRGB()) {
            const RGBValue& c = color->value();
            out_ << "rgb(" << c.red << ", " << c.green << ", " << c.blue << ')';
        } else if (const QAResIdentifier* identifier = node->toResIdentifier()) {
            const char* word = identifier->value();
            check(isBareWord(word) && std::strcmp(word, "true") != 0 && std::strcmp(word, "false") != 0);
            out_ << (word ? word : "");
        }
    }

    // Lists of plain values stay on one line; lists holding groups or lists
    // put one item on each line.
    void writeItems(const QARes* first, int depth)
    {
        bool nested = false;
        for (const QARes* item = first; item; item = item->next())
            nested = nested || item->toResGroup() || item->toResList();
        out_ << '[';
        for (const QARes* item = first; item; item = item->next()) {
            check(!item->tag());
            if (nested) {
                out_ << '\n';
                indent(depth + 1);
            } else {
                out_ << ' ';
            }
            writeValue(item, depth + 1);
            if (nested || item->next())
                out_ << ',';
        }
        if (nested) {
            out_ << '\n';
            indent(depth);
        } else if (first) {
            out_ << ' ';
        }
        out_ << ']';
    }

    void writeString(const QByteArray& bytes)
    {
        out_ << '"';
        for (char c : bytes) {
            switch (c) {
            case '"': out_ << "\\\""; break;
            case '\\': out_ << "\\\\"; break;
            case '\n': out_ << "\\n"; break;
            case '\t': out_ << "\\t"; break;
            default: out_ << c;
            }
        }
        out_ << '"';
    }

    std::ostream& out_;
    bool faithful_ = true;
};

}

bool writeResources(std::ostream& out, const QARes* first)
{
    Writer writer(out);
    writer.writeEntries(first, 0);
    return writer.faithful();
}
