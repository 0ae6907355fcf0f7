// layout.js: where things are, in diagram units (pixels at zoom 1; the
// zoom scales only the time axis). Rows follow the trace: one per event,
// consecutive instance creations sharing one; the columns come with the
// data.

var GEOMETRY = {
  axisWidth: 140,        // the sticky time axis on the left
  axisX: 128,            // its line; labels end left of it, marks sit on it
  edgeX: 146,            // where messages from or to a hidden world actor end
  columnWidth: 170,
  firstColumnX: 253,
  titleHeight: 28,
  creationRow: 46,
  row: 30,
  edgeRow: 18,           // loop starts and ends
  markRow: 24,           // thread changes and triggers
  boundaryRow: 40,       // where a new trace starts
  barHalfWidth: 5,
  labelPadding: 6,
  noteHeight: 22,
  noteFold: 7,
  noteMaxWidth: 220,
  actionHeight: 20,
  selfWidth: 34,
  crossHalf: 7,
  loopPadding: 40,
  bottomPadding: 24
};

function rowHeightOf(kind) {
  switch (kind) {
    case KIND.INSTANCE: return GEOMETRY.creationRow;
    case KIND.LOOP_START: case KIND.LOOP_END: return GEOMETRY.edgeRow;
    case KIND.THREAD: case KIND.EXTERNAL_TRIGGER: case KIND.TRIGGER_START: case KIND.TRIGGER_STOP:
      return GEOMETRY.markRow;
    case KIND.NEW_TRACE: return GEOMETRY.boundaryRow;
    default: return GEOMETRY.row;
  }
}

function columnX(column) { return GEOMETRY.firstColumnX + column * GEOMETRY.columnWidth; }

// Searches a sorted array for the first index whose value is >= target.
function lowerBound(array, target, from, to) {
  var lo = from || 0, hi = to === undefined ? array.length : to;
  while (lo < hi) {
    var mid = (lo + hi) >>> 1;
    if (array[mid] < target) lo = mid + 1; else hi = mid;
  }
  return lo;
}

// The layout of a page that carries the whole trace: every row's y, then
// the spans of lifelines, bars and loops from the events they start and
// end at.
function buildLayout(trace) {
  var g = GEOMETRY, n = trace.count, events = trace.events;
  var layout = { y: new Float64Array(n), rowFirst: new Uint8Array(n) };

  // The top row holds the title boxes of what exists from the start and
  // takes the creations that open the trace.
  var topRowY = g.creationRow / 2, cursor = g.creationRow, rowY = topRowY, creations = true;
  for (var i = 0; i < n; ++i) {
    var kind = events.kind[i];
    if (kind === KIND.INSTANCE && creations) {
      layout.y[i] = rowY;
      layout.rowFirst[i] = (i === 0 || layout.y[i - 1] !== rowY) ? 1 : 0;
      continue;
    }
    var height = rowHeightOf(kind);
    rowY = cursor + height / 2;
    creations = kind === KIND.INSTANCE;
    cursor += height;
    layout.y[i] = rowY;
    layout.rowFirst[i] = 1;
  }
  layout.topRowY = topRowY;
  layout.bodyTop = topRowY + g.titleHeight / 2;
  layout.bodyBottom = cursor + g.bottomPadding / 2;
  layout.height = cursor + g.bottomPadding;

  var y = function (event, missing) { return event < 0 ? missing : layout.y[event]; };
  var lines = trace.lifelines, count = trace.lifelineCount;
  layout.lineTop = new Float64Array(count);     // the title box's centre
  layout.lineBottom = new Float64Array(count);  // where its solid line ends
  layout.lineAfter = new Float64Array(count);   // its last event, maybe after its deletion
  for (var l = 0; l < count; ++l) {
    layout.lineTop[l] = y(lines.start[l], topRowY);
    layout.lineBottom[l] = y(lines.end[l], layout.bodyBottom);
    layout.lineAfter[l] = y(lines.last[l], layout.lineBottom[l]);
  }
  var bars = trace.bars, barSpans = [];
  for (var b = 0; b < trace.barCount; ++b) {
    var line = bars.lifeline[b];
    var lineStart = layout.lineTop[line] + g.titleHeight / 2;
    var top = Math.max(lineStart, y(bars.start[b], layout.bodyTop));
    var bottom = Math.min(layout.lineBottom[line], y(bars.end[b], layout.bodyBottom));
    if (bottom > top) barSpans.push([lines.column[line], top, bottom]);
  }
  var loops = trace.loops;
  layout.loopTop = new Float64Array(trace.loopCount);
  layout.loopBottom = new Float64Array(trace.loopCount);
  layout.loopDepth = new Int32Array(trace.loopCount);
  for (var k = 0; k < trace.loopCount; ++k) {
    layout.loopTop[k] = layout.y[loops.start[k]];
    layout.loopBottom[k] = y(loops.end[k], layout.bodyBottom);
    layout.loopDepth[k] = loops.parent[k] < 0 ? 0 : layout.loopDepth[loops.parent[k]] + 1;
  }
  var threshold = gapThresholdOf(trace, layout), time = events.time;
  // How far up the row before is where a large gap in time precedes a row.
  layout.gapAbove = function (i) {
    var before = previousRowEvent(layout, i);
    return threshold > 0 && before >= 0 && time[i] - time[before] > threshold ? layout.y[i] - layout.y[before] : 0;
  };
  return indexSpans(layout, trace, barSpans);
}

// The layout of a stretch of a served trace: the server gives the ys of
// the rows and of every span.
function servedLayout(trace, meta) {
  var layout = {
    y: trace.events.y, rowFirst: trace.events.rowFirst, topRowY: meta.topRowY, bodyTop: meta.bodyTop,
    bodyBottom: meta.bodyBottom, height: meta.height,
    lineTop: trace.lifelines.top, lineBottom: trace.lifelines.bottom, lineAfter: trace.lifelines.after,
    loopTop: trace.loops.top, loopBottom: trace.loops.bottom, loopDepth: trace.loops.depth
  };
  var gap = trace.events.gap;
  layout.gapAbove = function (i) { return gap[i]; };
  var bars = trace.bars, barSpans = [];
  for (var b = 0; b < bars.column.length; ++b) barSpans.push([bars.column[b], bars.top[b], bars.bottom[b]]);
  return indexSpans(layout, trace, barSpans);
}

// Lifelines, each column's in order down the page, and activation bars,
// each column's sorted by their tops: only for the columns that hold any,
// since a trace may have a million columns.
function indexSpans(layout, trace, barSpans) {
  var g = GEOMETRY, lines = trace.lifelines;
  layout.width = columnX(Math.max(trace.columns, 1) - 1) + g.columnWidth / 2 + g.noteMaxWidth;
  layout.byColumn = [];
  for (var l = 0; l < trace.lifelineCount; ++l) (layout.byColumn[lines.column[l]] = layout.byColumn[lines.column[l]] || []).push(l);
  layout.byColumn.forEach(function (list) {
    list.sort(function (a, b) { return layout.lineTop[a] - layout.lineTop[b]; });
    list.tops = Float64Array.from(list, function (l) { return layout.lineTop[l]; });
  });
  layout.barsByColumn = [];
  barSpans.sort(function (p, q) { return p[1] - q[1]; });
  barSpans.forEach(function (span) {
    var bars = layout.barsByColumn[span[0]] = layout.barsByColumn[span[0]] || { tops: [], bottoms: [] };
    bars.tops.push(span[1]);
    bars.bottoms.push(span[2]);
  });
  return layout;
}

var NO_LINES = Object.assign([], { tops: new Float64Array(0) });
var NO_BARS = { tops: [], bottoms: [] };

// The lifelines of a column in order down the page, and its bars.
function columnLines(layout, column) { return layout.byColumn[column] || NO_LINES; }
function columnBars(layout, column) { return layout.barsByColumn[column] || NO_BARS; }

// The columns whose lifelines may show in a view `width` pixels wide whose
// left edge is at diagram x `left`: [first, last].
function columnsInView(columns, left, width) {
  var g = GEOMETRY, from = left + g.axisWidth - g.firstColumnX;
  return [Math.max(0, Math.floor(from / g.columnWidth) - 1),
          Math.min(columns - 1, Math.ceil((from + width) / g.columnWidth) + 1)];
}

// True when an activation bar on `column` covers diagram y.
function barCovers(layout, column, y) {
  if (column < 0) return false;
  var bars = columnBars(layout, column);
  var after = lowerBound(bars.tops, y + 1e-9);
  return after > 0 && y <= bars.bottoms[after - 1];
}

// The lifelines of a column between diagram y `top` and `bottom`.
function linesBetween(layout, column, top, bottom) {
  var list = columnLines(layout, column), found = [];
  for (var k = lowerBound(list.tops, bottom + 1e-9) - 1; k >= 0; --k) {
    var line = list[k];
    if (layout.lineAfter[line] >= top) found.push(line);
    else break;
  }
  return found;
}

// The lifeline that holds a column at diagram y, or -1.
function lineAt(layout, column, y) {
  var found = linesBetween(layout, column, y, y);
  return found.length ? found[0] : -1;
}

// The x where an arrow meets a column (or the edge of a hidden world actor).
function endpointX(column) { return column < 0 ? GEOMETRY.edgeX : columnX(column); }

// First event whose row lies at or below diagram y.
function eventAtOrBelow(layout, y) { return lowerBound(layout.y, y); }

// The last event of the row before event i's, when i opens a row; else -1.
function previousRowEvent(layout, i) { return i > 0 && layout.rowFirst[i] ? i - 1 : -1; }

// A gap between rows is large when it is ten times the 90th percentile of
// the gaps, measured on a sample; 0 when times never advance.
function gapThresholdOf(trace, layout) {
  var time = trace.events.time, n = trace.count, step = Math.max(1, Math.floor(n / 20000)), gaps = [];
  for (var i = 1; i < n; i += step) {
    var before = previousRowEvent(layout, i);
    if (before >= 0 && time[i] > time[before]) gaps.push(time[i] - time[before]);
  }
  if (gaps.length < 10) return 0;
  gaps.sort(function (a, b) { return a - b; });
  return 10 * gaps[Math.floor(gaps.length * 0.9)];
}
