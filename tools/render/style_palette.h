#ifndef RENDER_STYLE_PALETTE_H
#define RENDER_STYLE_PALETTE_H

#include <style.h>
#include <tcf.h>

class TDFObject;

// Chooses the style every drawn thing is painted with. A trace object's
// own style (given by the trace, else by its static model or instance
// type) comes first, then the configuration's default style for the kind
// of thing drawn, then a plain built-in style, so that a trace without a
// configuration or with a sparse one still draws.
class StylePalette {
public:
    explicit StylePalette(const TCF* configuration);
    StylePalette(const StylePalette&) = delete;
    StylePalette& operator=(const StylePalette&) = delete;

    // The configuration a reader uses may change between lines; the
    // built-in style stays.
    void setConfiguration(const TCF* configuration) { configuration_ = configuration; }

    const Style* of(TDFObject* object, TCF::Object kind) const;
    const Style* byKind(TCF::Object kind) const;

    // The colour of a thread's messages, by the reader's colour index.
    static RGBValue threadColor(int colorIndex);

private:
    const TCF* configuration_;
    Style builtIn_;
};

// Font sizes from a configuration are trusted only within readable bounds.
double fontSizeOf(const Style& style);
// The height of the tab that carries a loop's name in the loop's style.
double loopTabHeight(const Style& style);

#endif
