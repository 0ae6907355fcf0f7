#include "style_palette.h"

#include <tdf_objects.h>

#include <algorithm>
#include <cstdlib>

StylePalette::StylePalette(const TCF* configuration)
    : configuration_(configuration), builtIn_(QStringLiteral("built-in"), 0)
{
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
        if (const Style* configured = configuration_->defaultStyle(kind))
            return configured;
    }
    return &builtIn_;
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
