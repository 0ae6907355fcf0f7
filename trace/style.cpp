#include "style.h"

#include <cstring>
#include <ostream>

namespace {

template <class Value>
struct EnumName {
    Value value;
    const char* text;
};

const EnumName<Style::Font> fontNames[] = {
    {Style::BOLD, "BOLD"}, {Style::ITALIC, "ITALIC"}, {Style::NORMAL, "NORMAL"}, {Style::UNDERLINE, "UNDERLINE"}};
const EnumName<Style::Line> lineNames[] = {{Style::SOLID_LINE, "SOLID_LINE"},
                                           {Style::DOT_LINE, "DOT_LINE"},
                                           {Style::DASH_LINE, "DASH_LINE"},
                                           {Style::DASH_DOT_LINE, "DASH_DOT_LINE"},
                                           {Style::DASH_DOT_DOT_LINE, "DASH_DOT_DOT_LINE"}};
const EnumName<Style::Arrow> arrowNames[] = {
    {Style::PLAIN_ARROW, "PLAIN_ARROW"}, {Style::OPEN_ARROW, "OPEN_ARROW"}, {Style::HALF_ARROW, "HALF_ARROW"}};

template <class Value, size_t N>
const char* textOf(const EnumName<Value> (&names)[N], Value value)
{
    for (const EnumName<Value>& name : names)
        if (name.value == value)
            return name.text;
    return nullptr;
}

template <class Value, size_t N>
Value valueOf(const EnumName<Value> (&names)[N], const char* text, bool* ok)
{
    if (text) {
        for (const EnumName<Value>& name : names) {
            if (std::strcmp(name.text, text) == 0) {
                if (ok)
                    *ok = true;
                return name.value;
            }
        }
    }
    if (ok)
        *ok = false;
    return Value(0);
}

// Builds a group from a chain of members given in order.
QARes* groupOf(const char* tag, std::initializer_list<QARes*> members)
{
    QARes* first = nullptr;
    QARes* last = nullptr;
    for (QARes* member : members) {
        if (last)
            last->addSibling(member);
        else
            first = member;
        last = member;
    }
    return new QAResGroup(tag, first);
}

void textFromResource(Style& style, QARes* member)
{
    for (; member; member = member->next()) {
        if (member->isTag("color")) {
            if (QAResRGB* color = member->toResRGB())
                style.setTextColor(color->value());
        } else if (member->isTag("font")) {
            if (QAResString* font = member->toResString())
                style.setFontName(font->value());
        } else if (member->isTag("size")) {
            if (QAResInt* size = member->toResInt())
                style.setFontSize(size->value());
        } else if (member->isTag("style")) {
            if (QAResIdentifier* font = member->toResIdentifier()) {
                style.setFontStyle(Style::toFont(font->value(), nullptr));
            } else if (QAResList* fonts = member->toResList()) {
                for (QARes* item = fonts->firstChild(); item; item = item->next())
                    if (QAResIdentifier* font = item->toResIdentifier())
                        style.composeFontStyle(Style::toFont(font->value(), nullptr));
            }
        }
    }
}

void lineFromResource(Style& style, QARes* member)
{
    for (; member; member = member->next()) {
        if (member->isTag("color")) {
            if (QAResRGB* color = member->toResRGB())
                style.setLineColor(color->value());
        } else if (member->isTag("style")) {
            if (QAResIdentifier* line = member->toResIdentifier())
                style.setLineStyle(Style::toLine(line->value(), nullptr));
        } else if (member->isTag("arrow")) {
            if (QAResIdentifier* arrow = member->toResIdentifier())
                style.setArrowStyle(Style::toArrow(arrow->value(), nullptr));
        }
    }
}

// Writes text that may be missing: a null C string is UB on a stream.
std::ostream& writeText(std::ostream& out, const char* text)
{
    return text ? out << text : out;
}

// Writes the whole text, NUL characters included.
std::ostream& writeLocal8Bit(std::ostream& out, const QString& text)
{
    QByteArray bytes = text.toLocal8Bit();
    return out.write(bytes.constData(), bytes.size());
}

}

Style::Style(const QString& name, int id)
    : name_(name),
      id_(id),
      textColor_(0, 0, 0),
      backColor_(255, 255, 255),
      lineColor_(0, 0, 0),
      fontStyle_(NORMAL),
      lineStyle_(SOLID_LINE),
      arrowStyle_(PLAIN_ARROW),
      fontSize_(12)
{
}

Style::~Style() = default;

void Style::setTextColor(const RGBValue& color) { textColor_ = color; }
void Style::setBackColor(const RGBValue& color) { backColor_ = color; }
void Style::setLineColor(const RGBValue& color) { lineColor_ = color; }
void Style::setFontStyle(Style::Font font) { fontStyle_ = font; }
void Style::setLineStyle(Style::Line line) { lineStyle_ = line; }
void Style::setArrowStyle(Style::Arrow arrow) { arrowStyle_ = arrow; }
void Style::setFontSize(int size) { fontSize_ = size; }
void Style::setFontName(const QString& name) { fontName_ = name; }
void Style::composeFontStyle(Style::Font font) { fontStyle_ = Font(fontStyle_ | font); }

const char* Style::strFont(Style::Font font) { return textOf(fontNames, font); }
const char* Style::strLine(Style::Line line) { return textOf(lineNames, line); }
const char* Style::strArrow(Style::Arrow arrow) { return textOf(arrowNames, arrow); }

Style::Font Style::toFont(const char* text, bool* ok) { return valueOf(fontNames, text, ok); }
Style::Line Style::toLine(const char* text, bool* ok) { return valueOf(lineNames, text, ok); }
Style::Arrow Style::toArrow(const char* text, bool* ok) { return valueOf(arrowNames, text, ok); }

void Style::fromResource(QARes* resource, bool readName)
{
    QAResGroup* group = resource ? resource->toResGroup() : nullptr;
    if (!group)
        return;
    for (QARes* member = group->firstChild(); member; member = member->next()) {
        if (member->isTag("name")) {
            if (QAResString* name = member->toResString(); name && readName)
                name_ = name->value();
        } else if (member->isTag("id")) {
            if (QAResInt* id = member->toResInt())
                id_ = id->value();
        } else if (member->isTag("text")) {
            if (QAResGroup* text = member->toResGroup())
                textFromResource(*this, text->firstChild());
        } else if (member->isTag("background")) {
            // Only the first member of a background group is looked at.
            QAResGroup* background = member->toResGroup();
            QARes* color = background ? background->firstChild() : nullptr;
            if (color && color->isTag("color") && color->toResRGB())
                setBackColor(color->toResRGB()->value());
        } else if (member->isTag("line")) {
            if (QAResGroup* line = member->toResGroup())
                lineFromResource(*this, line->firstChild());
        }
    }
}

QARes* Style::toResource(const char* tag) const
{
    // Other bits of the font style have no name: without any of the three
    // flags the list still says NORMAL rather than nothing.
    QAResList* fonts = new QAResList("style", nullptr);
    bool named = false;
    for (Font flag : {BOLD, ITALIC, UNDERLINE}) {
        if (fontStyle_ & flag) {
            fonts->addItems(new QAResIdentifier(nullptr, strFont(flag)));
            named = true;
        }
    }
    if (!named)
        fonts->addItems(new QAResIdentifier(nullptr, strFont(NORMAL)));

    return groupOf(tag ? tag : "style",
                   {new QAResString("name", name_), new QAResInt("id", id_),
                    groupOf("text", {new QAResRGB("color", textColor_), new QAResString("font", fontName_),
                                     new QAResInt("size", fontSize_), fonts}),
                    groupOf("background", {new QAResRGB("color", backColor_)}),
                    groupOf("line", {new QAResRGB("color", lineColor_),
                                     new QAResIdentifier("style", strLine(lineStyle_)),
                                     new QAResIdentifier("arrow", strArrow(arrowStyle_))})});
}

std::ostream& operator<<(std::ostream& out, const Style& style)
{
    writeLocal8Bit(out << "Style( \"", style.name()) << "\", " << style.id() << ") {\n";
    out << " text_color = " << style.textColor() << '\n';
    out << " back_color = " << style.backColor() << '\n';
    out << " line_color = " << style.lineColor() << '\n';
    out << " font_style =";
    for (Style::Font flag : {Style::BOLD, Style::ITALIC, Style::UNDERLINE})
        if (style.fontStyle() & flag)
            out << ' ' << Style::strFont(flag);
    if (style.isNormal())
        out << ' ' << Style::strFont(Style::NORMAL);
    out << '\n';
    writeText(out << " line_style = ", Style::strLine(style.lineStyle())) << '\n';
    writeLocal8Bit(out << " font_name  = \"", style.fontName()) << "\"\n";
    out << " font_size  = " << style.fontSize() << "\n}\n";
    return out;
}
