#ifndef RENDER_TEXT_FIT_H
#define RENDER_TEXT_FIT_H

#include <QString>

class Style;

// Text is measured without fonts: the picture must come out the same on
// every machine, whatever fonts it has, so widths are estimated from the
// font size. The estimate errs on the wide side.
double estimatedTextWidth(const QString& text, const Style& style);

// `text` shortened with an ellipsis so that it fits `width`; unchanged when
// it fits. Never empty for a non-empty text: at least the ellipsis stays.
QString elided(const QString& text, const Style& style, double width);

// Trace text made fit for XML: characters that XML 1.0 cannot carry
// (control characters, unpaired surrogates, U+FFFE/U+FFFF) become U+FFFD.
// Line breaks and tabs are kept; labels use singleLine() on top.
QString xmlSafe(const QString& text);
// Labels are drawn on one line: breaks and tabs become blanks.
QString singleLine(const QString& text);

#endif
