#ifndef RENDER_STYLE_PALETTE_H
#define RENDER_STYLE_PALETTE_H

#include <style.h>
#include <tcf.h>

#include <memory>
#include <unordered_map>
#include <vector>

class TDFObject;

// Chooses the style every drawn thing is painted with. A trace object's
// own style (given by the trace, else by its static model or instance
// type) comes first, then the configuration's default style for the kind
// of thing drawn, then a built-in style for that kind, so that a trace
// without a configuration or with a sparse one still draws as sequence
// diagrams do and as the page's legend shows them: a return dashed with an
// open head; activation bars, title boxes, notes and loop tabs filled. A
// configuration that gives returns no default style of their own (the
// reader then gives them the one messages have) has its returns drawn in
// that style, dashed with an open head, so that they still read as returns.
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
    // The form of `style` that returns take: dashed with an open head.
    const Style* returnForm(const Style* style) const;

    const TCF* configuration_;
    std::vector<std::unique_ptr<Style>> builtIn_;  // by kind
    // The configurations outlive the palette, so their styles may key it.
    mutable std::unordered_map<const Style*, std::unique_ptr<Style>> returnForms_;
};

// Font sizes from a configuration are trusted only within readable bounds.
double fontSizeOf(const Style& style);
// The height of the tab that carries a loop's name in the loop's style.
double loopTabHeight(const Style& style);

#endif
