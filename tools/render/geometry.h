#ifndef RENDER_GEOMETRY_H
#define RENDER_GEOMETRY_H

// Sizes of the drawn diagram, in SVG user units (pixels at zoom 1).
namespace geometry {

constexpr double margin = 16;
constexpr double captionLine = 18;
constexpr double captionFontSize = 13;
constexpr double captionEm = 0.62 * captionFontSize;  // estimated advance of a caption character
constexpr double smallCaptionFontSize = 11;
constexpr double smallCaptionEm = 0.62 * smallCaptionFontSize;
constexpr double threadKeyX = margin + 62;  // after the word "Threads:"
constexpr double swatchSize = 10;
constexpr double axisX = 128;  // the time axis; its labels end left of it
constexpr double edgeX = axisX + 18;  // where messages from or to a hidden world actor end
constexpr double columnWidth = 170;
constexpr double firstColumnX = axisX + 40 + columnWidth / 2;
// The x of the lifelines in a column of the column plan.
constexpr double columnCentre(int column)
{
    return firstColumnX + column * columnWidth;
}
constexpr double titleHeight = 28;
constexpr double titlePadding = 10;
constexpr double creationRowHeight = 46;
constexpr double rowHeight = 30;
constexpr double edgeRowHeight = 18;  // rows of loop starts and ends
constexpr double markRowHeight = 24;  // rows of thread changes and triggers
constexpr double barHalfWidth = 5;
constexpr double labelPadding = 6;
constexpr double noteHeight = 22;
constexpr double noteMaxWidth = 220;
constexpr double noteFold = 7;
constexpr double actionHeight = 20;
constexpr double selfMessageWidth = 34;
constexpr double crossHalfSize = 7;
constexpr double loopPadding = 40;  // between a loop frame and its outermost lifelines
constexpr double loopInnermostInset = 10;  // what deep nesting comes down to
constexpr double loopNestingRatio = 0.85;   // each level's inset, of the one around it
constexpr double bottomPadding = 24;

}

#endif
