#ifndef RENDER_LABELS_H
#define RENDER_LABELS_H

#include "diagram.h"

#include <QString>

class TDFGlyph;
class TDFInstance;
class TDFLoopStart;
class TDFMessage;
class TDFMessageCall;
class TDFNote;
class TDFObject;
class TDFThreadInfo;

// What the picture calls each thing. A missing name is replaced by a short
// description, so that nothing is drawn without a text.
QString instanceTitle(const TDFInstance* instance);
QString instanceTitle(const QString& name, unsigned long long id);
// The title with the dynamic id, which tells same-named instances apart
// ("Server [12]"); an unnamed instance's title holds it already.
QString identifiedTitle(const TDFInstance* instance);
QString identifiedTitle(const QString& name, unsigned long long id);
// The message's own name (the trace's ME name), else its static message's.
QString messageName(const TDFMessage* message);
QString noteText(TDFNote* note);
QString glyphText(TDFGlyph* glyph);
QString loopName(const TDFLoopStart* loop);
// The same from the loop's own name, its dotted id and its iterations.
QString loopName(const QString& name, const QString& loopId, unsigned long long iterations);
// What a thread is called: its name, else its number.
QString threadTitle(const QString& name, unsigned long long number);
// A thread change's label from the thread's title ("?" without one) and
// what the record says of the state and priority (threadStateText): the
// thread's title is the one it has at the end, the state the record's.
QString threadChangeLabel(const QString& thread, const QString& state);
QString threadStateText(const TDFThreadInfo* info);
// A call's label, with " (not completed)" while its message is not.
QString callLabel(const TDFMessageCall* call, bool completed);
QString uncompletedCallLabel(const QString& completedLabel);
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
