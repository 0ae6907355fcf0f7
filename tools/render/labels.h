#ifndef RENDER_LABELS_H
#define RENDER_LABELS_H

#include "diagram.h"

#include <QString>

class TDFGlyph;
class TDFInstance;
class TDFLoopStart;
class TDFMessage;
class TDFNote;
class TDFThreadInfo;

// What the picture calls each thing. A missing name is replaced by a short
// description, so that nothing is drawn without a text.
QString instanceTitle(const TDFInstance* instance);
// The message's own name (the trace's ME name), else its static message's.
QString messageName(const TDFMessage* message);
QString noteText(TDFNote* note);
QString glyphText(TDFGlyph* glyph);
QString loopName(const TDFLoopStart* loop);
QString threadChangeText(const TDFThreadInfo* info);

// A label no wider than `width` in `style`, whose tooltip holds the full
// text and, when there is one, the source link.
Label makeLabel(const QString& text, const QString& link, const Style& style, double width);

#endif
