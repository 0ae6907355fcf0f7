#ifndef RENDER_LABELS_H
#define RENDER_LABELS_H

#include "diagram.h"

#include <QString>

class TDFGlyph;
class TDFInstance;
class TDFLoopStart;
class TDFMessage;
class TDFNote;
class TDFObject;
class TDFThreadInfo;

// What the picture calls each thing. A missing name is replaced by a short
// description, so that nothing is drawn without a text.
QString instanceTitle(const TDFInstance* instance);
// The title with the dynamic id, which tells same-named instances apart
// ("Server [12]"); an unnamed instance's title holds it already.
QString identifiedTitle(const TDFInstance* instance);
// The message's own name (the trace's ME name), else its static message's.
QString messageName(const TDFMessage* message);
QString noteText(TDFNote* note);
QString glyphText(TDFGlyph* glyph);
QString loopName(const TDFLoopStart* loop);
QString threadChangeText(const TDFThreadInfo* info);
// The text an event is drawn and found with: the above for the things that
// have them, a description for calls, actions, synchronisations, thread
// changes and triggers; empty for deletions.
QString eventLabel(TDFObject* event);

// A label no wider than `width` in `style`, whose tooltip holds the full
// text and, when there is one, the source link.
Label makeLabel(const QString& text, const QString& link, const Style& style, double width);
// An instance's title box: its title no wider than `width`, with the
// dynamic id after it (never shortened away) when `withId`. The tooltip
// always names the id.
Label instanceLabel(const TDFInstance* instance, bool withId, const Style& style, double width);

#endif
