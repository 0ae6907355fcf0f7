#include "style_palette.h"

#include <tdf_objects.h>

#include <algorithm>
#include <cstdlib>

namespace {

void drawAsReturn(Style& style)
{
    style.setLineStyle(Style::DASH_LINE);
    style.setArrowStyle(Style::OPEN_ARROW);
}

// The built-in style of a kind of thing drawn, in the legend's colours.
std::unique_ptr<Style> builtInStyle(int kind)
{
    auto style = std::make_unique<Style>(QStringLiteral("built-in"), 0);
    style->setLineColor(RGBValue(0x33, 0x33, 0x33));
    switch (kind) {
    case TCF::OBJ_MESSAGE_RETURN: drawAsReturn(*style); break;
    case TCF::OBJ_INSTANCE_ACTIVATED: style->setBackColor(RGBValue(0xe8, 0xee, 0xf7)); break;
    case TCF::OBJ_INSTANCE_TITLE: style->setBackColor(RGBValue(0xdd, 0xe8, 0xf5)); break;
    case TCF::OBJ_INSTANCE_NOTE:
    case TCF::OBJ_MESSAGE_NOTE: style->setBackColor(RGBValue(0xff, 0xff, 0xe0)); break;
    case TCF::OBJ_LOOP_START: style->setBackColor(RGBValue(0xee, 0xee, 0xee)); break;
    default: break;
    }
    return style;
}

}

StylePalette::StylePalette(const TCF* configuration) : configuration_(configuration)
{
    for (int kind = 0; kind < TCF::objectCount; ++kind)
        builtIn_.push_back(builtInStyle(kind));
}

const Style* StylePalette::of(TDFObject* object, TCF::Object kind) const
{
    if (object) {
        if (const Style* own = object->style())
            return own;
    }
    return byKind(kind);
}

const Style* StylePalette::byKind(TCF::Object kind) const
{
    if (configuration_) {
        if (const Style* configured = configuration_->defaultStyle(kind)) {
            if (kind == TCF::OBJ_MESSAGE_RETURN && configured == configuration_->defaultStyle(TCF::OBJ_MESSAGE_BODY))
                return returnForm(configured);
            return configured;
        }
    }
    // A kind outside the enumeration draws as a plain thing does.
    return builtIn_[kind >= 0 && kind < TCF::objectCount ? kind : TCF::OBJ_WORLD].get();
}

const Style* StylePalette::returnForm(const Style* style) const
{
    std::unique_ptr<Style>& form = returnForms_[style];
    if (!form) {
        form = std::make_unique<Style>(*style);
        drawAsReturn(*form);
    }
    return form.get();
}

RGBValue StylePalette::threadColor(int colorIndex)
{
    // The reader hands out eleven indexes; distinct, readable on white.
    static const RGBValue colors[] = {
        {0x1f, 0x77, 0xb4}, {0xd6, 0x27, 0x28}, {0x2c, 0xa0, 0x2c}, {0x94, 0x67, 0xbd},
        {0xff, 0x7f, 0x0e}, {0x8c, 0x56, 0x4b}, {0xe3, 0x77, 0xc2}, {0x17, 0xbe, 0xcf},
        {0x7f, 0x7f, 0x7f}, {0xbc, 0xbd, 0x22}, {0x39, 0x3b, 0x79},
    };
    const int count = int(sizeof colors / sizeof colors[0]);
    return colors[std::abs(colorIndex % count)];
}

double fontSizeOf(const Style& style)
{
    return std::clamp(style.fontSize(), 6, 48);
}

double loopTabHeight(const Style& style)
{
    return fontSizeOf(style) + 8;
}
