#ifndef RENDER_DIAGRAM_H
#define RENDER_DIAGRAM_H

// A sequence diagram laid out and ready to draw: every shape with its
// place, its style and its text. The layout fills it from a trace; the SVG
// and HTML writers only draw it.

#include "style_palette.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

// Text as drawn (shortened with an ellipsis when it would not fit) and the
// tooltip that carries the full text and the source link.
struct Label {
    QString text;
    QString tooltip;
};

struct Lifeline {
    Label title;
    const Style* titleStyle = nullptr;
    const Style* lineStyle = nullptr;
    double x = 0;
    double titleY = 0;  // centre of the title box
    double titleWidth = 0;
    double lineTop = 0;
    double lineBottom = 0;
    bool world = false;
    const Style* crossStyle = nullptr;  // set when the instance is deleted: a cross at lineBottom
};

struct ActivationBar {
    double x = 0;
    double top = 0;
    double bottom = 0;
    const Style* style = nullptr;
};

// A message or a return between two lifelines, or from a lifeline to
// itself when fromX equals toX.
struct Arrow {
    enum Kind { Message, Return };
    Kind kind = Message;
    double fromX = 0;
    double toX = 0;
    double y = 0;
    const Style* style = nullptr;
    std::optional<RGBValue> threadColor;  // replaces the style's line colour
    Label label;
    bool completesCall = false;  // a circle at the tail: the message was announced by a call
    bool fromEdge = false;       // sent by the hidden world actor
    bool toEdge = false;         // received by the hidden world actor
};

// A point event: a message call on its sender, a glyph, a thread change or
// a trigger on the time axis.
struct Mark {
    enum Kind { Call, Glyph, ThreadChange, Trigger };
    Kind kind = Call;
    double x = 0;
    double y = 0;
    const Style* style = nullptr;
    std::optional<RGBValue> color;  // the mark's own colour, when it has one
    Label label;
    bool acrossDiagram = false;  // a rule across the whole diagram (trigger start and stop)
    bool alarm = false;          // a glyph that reports a failure
};

struct ActionBox {
    double x = 0;  // centre
    double y = 0;
    double width = 0;
    const Style* style = nullptr;
    Label label;
};

struct Note {
    double x = 0;  // left edge
    double y = 0;  // centre
    double width = 0;
    const Style* style = nullptr;
    Label label;
    std::optional<std::pair<double, double>> anchor;  // the point on the owner it is attached to
};

struct LoopFrame {
    double left = 0;
    double right = 0;
    double top = 0;
    double bottom = 0;
    double tabTop = 0;  // where the name tab hangs: the top, or below the tabs of loops also open at the top
    bool openTop = false;  // the loop starts before the drawn events
    bool openBottom = false;  // ... or ends after them
    const Style* style = nullptr;
    const Style* endStyle = nullptr;
    Label label;
};

struct SyncBar {
    double left = 0;
    double right = 0;
    double y = 0;
    std::vector<double> members;  // x of each lifeline taking part
    const Style* style = nullptr;
    Label label;
};

struct TimeLabel {
    double y = 0;
    Label label;
};

// A thread's colour swatch and name in the caption.
struct ThreadKey {
    QString name;
    RGBValue color;
    double x = 0;  // left edge of the swatch
};

struct Diagram {
    explicit Diagram(const TCF* configuration) : palette(std::make_unique<StylePalette>(configuration)) {}

    std::unique_ptr<StylePalette> palette;  // owns the built-in style that shapes may point at
    double width = 0;
    double height = 0;
    QString title;
    QString caption;       // the trace and its configuration
    QString summary;       // how many events are shown out of how many
    QString cutNotice;     // set when events of the window are left out
    std::vector<QString> problems;  // what the reading reported, a line each
    std::vector<ThreadKey> threads;
    double bodyTop = 0;    // below the caption
    const Style* timeStyle = nullptr;
    std::vector<TimeLabel> times;
    std::vector<Lifeline> lifelines;
    std::vector<ActivationBar> bars;
    std::vector<LoopFrame> loops;
    std::vector<SyncBar> synchronisations;
    std::vector<Arrow> arrows;
    std::vector<ActionBox> actions;
    std::vector<Mark> marks;
    std::vector<Note> notes;
    long long shownEvents = 0;
    long long totalEvents = 0;
};

#endif
