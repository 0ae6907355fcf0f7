// paint.js: draws the part of the diagram on screen onto the body canvas,
// and the marks of the time axis onto its own. Shapes and texts keep their
// size at every zoom; boxes shrink with rows below zoom 1, and labels are
// left out where rows get too close to read them.

var COLORS = {
  white: '#ffffff', trigger: '#b35900', alarm: '#c62828', glyph: '#e09b00', unknownThread: '#999999',
  gap: '#b00020', problem: '#d32f2f', boundary: '#2f3b4c', hit: 'rgba(255, 214, 0, 0.55)', selected: 'rgba(0, 120, 255, 0.25)'
};
var DIMMED = 0.15;         // the opacity of the events of threads not chosen
var MAX_DETAILED = 4000;   // more events on screen are sampled, one per pixel row
var LABEL_ROW_PIXELS = 14; // rows closer than this carry no labels
// Loop frames closer than this in a sampled view are drawn one per so many
// pixels: their edges cross the whole diagram, and a frame per pixel row
// costs the browser most of a frame's time to draw a solid grey.
var CROWDED_LOOP_PIXELS = 4;
var LOOP_INSET_RATIO = 0.85;  // how much less each level of nesting is inset

function fontOf(style) {
  return (style.italic ? 'italic ' : '') + (style.bold ? 'bold ' : '') + style.size + 'px ' + style.font;
}

function Painter(trace, layout) {
  this.trace = trace;
  this.layout = layout;
  this.fitted = new Map();  // shortened labels, by style, width and text
}

Painter.prototype.setFont = function (ctx, style) {
  var font = fontOf(style);
  if (ctx.font !== font) ctx.font = font;
};

// The label shortened with an ellipsis to fit `width` pixels.
Painter.prototype.fit = function (ctx, text, styleIndex, width) {
  var key = styleIndex + '|' + Math.round(width) + '|' + text;
  var known = this.fitted.get(key);
  if (known !== undefined) return known;
  if (this.fitted.size > 50000) this.fitted.clear();
  var fitted = text;
  if (ctx.measureText(text).width > width) {
    var lo = 0, hi = text.length;
    while (lo < hi) {
      var mid = (lo + hi + 1) >> 1;
      if (ctx.measureText(text.slice(0, mid) + '\u2026').width <= width) lo = mid; else hi = mid - 1;
    }
    // Never cut a surrogate pair in two.
    if (lo > 0 && /[\uD800-\uDBFF]/.test(text[lo - 1])) --lo;
    fitted = text.slice(0, lo).trim() + '\u2026';
  }
  this.fitted.set(key, fitted);
  return fitted;
};

Painter.prototype.text = function (ctx, text, styleIndex, x, y, align, width, color) {
  var style = this.trace.styles[styleIndex];
  this.setFont(ctx, style);
  ctx.fillStyle = color || style.text;
  ctx.textAlign = align;
  ctx.textBaseline = 'middle';
  ctx.fillText(width ? this.fit(ctx, text, styleIndex, width) : text, x, y);
  if (style.underline) {
    var w = ctx.measureText(text).width, from = align === 'center' ? x - w / 2 : x;
    ctx.fillRect(from, y + style.size * 0.55, w, 1);
  }
};

Painter.prototype.stroke = function (ctx, styleIndex, color, width) {
  var style = this.trace.styles[styleIndex];
  ctx.strokeStyle = color || style.line;
  ctx.lineWidth = width || 1;
  ctx.setLineDash(style.dash);
};

function arrowHead(ctx, head, tipX, y, direction, color) {
  var baseX = tipX - direction * 9;
  ctx.setLineDash([]);
  ctx.beginPath();
  if (head === 'open' || head === 'half') {
    ctx.moveTo(baseX, y - 4.5);
    ctx.lineTo(tipX, y);
    if (head === 'open') ctx.lineTo(baseX, y + 4.5);
    ctx.strokeStyle = color;
    ctx.lineWidth = 1.5;
    ctx.stroke();
  } else {
    ctx.moveTo(baseX, y - 4.5);
    ctx.lineTo(tipX, y);
    ctx.lineTo(baseX, y + 4.5);
    ctx.closePath();
    ctx.fillStyle = color;
    ctx.fill();
  }
}

function circle(ctx, x, y, radius, fill, stroke) {
  ctx.setLineDash([]);
  ctx.beginPath();
  ctx.arc(x, y, radius, 0, 2 * Math.PI);
  ctx.fillStyle = fill;
  ctx.fill();
  ctx.strokeStyle = stroke;
  ctx.lineWidth = 1;
  ctx.stroke();
}

function roundedRect(ctx, x, y, w, h, r) {
  ctx.beginPath();
  ctx.moveTo(x + r, y);
  ctx.arcTo(x + w, y, x + w, y + h, r);
  ctx.arcTo(x + w, y + h, x, y + h, r);
  ctx.arcTo(x, y + h, x, y, r);
  ctx.arcTo(x, y, x + w, y, r);
  ctx.closePath();
}

// The events to draw between two diagram ys: all of them, or one per pixel
// row when there are too many.
Painter.prototype.eventsBetween = function (top, bottom, zoom) {
  var layout = this.layout, first = eventAtOrBelow(layout, top), last = eventAtOrBelow(layout, bottom) - 1;
  var list = [];
  // A served stretch may be a sample already.
  if (last - first < MAX_DETAILED) {
    for (var i = first; i <= last; ++i) list.push(i);
    return { list: list, sampled: !!this.trace.sampled };
  }
  for (var at = first; at <= last;) {
    list.push(at);
    at = Math.max(at + 1, eventAtOrBelow(layout, layout.y[at] + 1 / zoom));
  }
  return { list: list, sampled: true };
};

// Where an arrow of event i starts and ends: {fromX, toX, self}.
Painter.prototype.arrowEnds = function (i) {
  var events = this.trace.events, layout = this.layout, g = GEOMETRY;
  var from = events.from[i], to = events.to[i], y = layout.y[i];
  var fromX = endpointX(from), toX = endpointX(to);
  if (from === to && from >= 0) {
    if (barCovers(layout, from, y)) { fromX += g.barHalfWidth; toX += g.barHalfWidth; }
    return { fromX: fromX, toX: toX, self: true };
  }
  var direction = toX > fromX ? 1 : -1;
  if (barCovers(layout, from, y)) fromX += direction * g.barHalfWidth;
  if (barCovers(layout, to, y)) toX -= direction * g.barHalfWidth;
  return { fromX: fromX, toX: toX, self: false };
};

// The point of the event a note or glyph is attached to, in diagram x, or null.
Painter.prototype.anchorX = function (i) {
  var events = this.trace.events, owner = events.owner[i];
  if (owner < 0) return events.from[i] >= 0 ? columnX(events.from[i]) : null;
  var kind = events.kind[owner];
  if (kind === KIND.MESSAGE || kind === KIND.RETURN) {
    var ends = this.arrowEnds(owner);
    return ends.self ? ends.toX + GEOMETRY.selfWidth : (ends.fromX + ends.toX) / 2;
  }
  return events.from[owner] >= 0 ? columnX(events.from[owner]) : null;
};

Painter.prototype.isArrow = function (i) {
  var events = this.trace.events, kind = events.kind[i];
  if (kind !== KIND.MESSAGE && kind !== KIND.RETURN) return false;
  var f = events.flags[i];
  return (events.from[i] >= 0 || (f & FLAG.FROM_EDGE)) && (events.to[i] >= 0 || (f & FLAG.TO_EDGE));
};

// Draws the body. `v` is the view: top (diagram y at the top), zoom, left
// (diagram x at the body's left edge), width and height in pixels, the
// selected events and the search hits.
Painter.prototype.paint = function (ctx, v) {
  var trace = this.trace, layout = this.layout, g = GEOMETRY, self = this;
  var top = v.top, zoom = v.zoom, bottom = top + v.height / zoom;
  var sx = function (x) { return x - v.left - g.axisWidth; };
  var sy = function (y) { return (y - top) * zoom; };
  var shrink = Math.min(1, zoom);
  ctx.clearRect(0, 0, v.width, v.height);
  var margin = 60 / zoom;
  var shown = this.eventsBetween(top - margin, bottom + margin, zoom);
  var labels = !shown.sampled && zoom * g.row >= LABEL_ROW_PIXELS;

  this.paintGaps(ctx, v, shown.list, sy);
  this.paintLoops(ctx, v, top, bottom, sx, sy, labels, shown.sampled);
  this.paintLifelines(ctx, v, top - margin, bottom + margin, sx, sy, shrink, labels, shown.sampled);
  this.paintLoopTabs();
  this.paintHighlights(ctx, v, shown.list, sx, sy);

  var events = trace.events, only = v.onlyThread;
  shown.list.forEach(function (i) {
    var y = sy(layout.y[i]), kind = events.kind[i], style = events.style[i];
    // With one thread chosen, the others' events are dimmed.
    if (only >= 0) ctx.globalAlpha = events.thread[i] >= 0 && events.thread[i] !== only ? DIMMED : 1;
    var label = events.label[i] >= 0 ? trace.strings[events.label[i]] : '';
    switch (kind) {
      case KIND.MESSAGE: case KIND.RETURN: self.paintArrow(ctx, i, sx, y, labels, label, v.width); break;
      case KIND.CALL: {
        var s = trace.styles[style], color = s.line;
        var x = sx(endpointX(events.from[i]));
        circle(ctx, x, y, 4, COLORS.white, color);
        if (labels) self.text(ctx, label, style, x + 2 * g.labelPadding, y, 'left', g.columnWidth - 2 * g.labelPadding);
        break;
      }
      case KIND.ACTION: {
        var st = trace.styles[style];
        self.setFont(ctx, st);
        var text = labels ? self.fit(ctx, label, style, g.columnWidth - 4 * g.labelPadding) : '';
        var w = Math.max(40, ctx.measureText(text).width + 2 * g.labelPadding), h = g.actionHeight * shrink;
        var cx = sx(endpointX(events.from[i])) + (events.from[i] < 0 ? w / 2 : 0);
        roundedRect(ctx, cx - w / 2, y - h / 2, w, h, Math.min(6, h / 2));
        ctx.fillStyle = st.back;
        ctx.fill();
        self.stroke(ctx, style);
        ctx.stroke();
        if (labels) self.text(ctx, text, style, cx, y, 'center');
        break;
      }
      case KIND.SYNCHRONISATION: self.paintSynchronisation(ctx, i, sx, y, labels, label); break;
      case KIND.NOTE: self.paintNote(ctx, i, sx, y, labels, label, shrink); break;
      case KIND.GLYPH: {
        var ax = self.anchorX(i), gx = sx(ax === null ? g.edgeX : ax);
        ctx.beginPath();
        ctx.moveTo(gx, y - 7); ctx.lineTo(gx + 7, y); ctx.lineTo(gx, y + 7); ctx.lineTo(gx - 7, y);
        ctx.closePath();
        ctx.fillStyle = (events.flags[i] & FLAG.ALARM) ? COLORS.alarm : COLORS.glyph;
        ctx.fill();
        if (labels) self.text(ctx, label, style, gx + 2 * g.labelPadding, y, 'left', 1.5 * g.columnWidth);
        break;
      }
      case KIND.THREAD: case KIND.EXTERNAL_TRIGGER: case KIND.TRIGGER_START: case KIND.TRIGGER_STOP: {
        // The mark is on the axis; its label and a trigger's rule start just right of it.
        var color = self.axisMarkColor(i);
        var lx = 2;
        var textWidth = 0;
        if (labels) {
          self.text(ctx, label, style, lx, y, 'left', 2 * g.columnWidth, color);
          textWidth = ctx.measureText(self.fit(ctx, label, style, 2 * g.columnWidth)).width;
        }
        if (kind === KIND.TRIGGER_START || kind === KIND.TRIGGER_STOP) {
          ctx.strokeStyle = color;
          ctx.lineWidth = 1;
          ctx.setLineDash([6, 4]);
          ctx.beginPath();
          ctx.moveTo(lx + textWidth + g.labelPadding, y);
          ctx.lineTo(v.width, y);
          ctx.stroke();
        }
        break;
      }
      case KIND.NEW_TRACE: {
        // A rule across the whole view, named on the left.
        ctx.fillStyle = COLORS.boundary;
        ctx.fillRect(0, y - 1.5, v.width, 3);
        ctx.font = 'bold 12px sans-serif';
        var tag = ctx.measureText(label).width + 2 * g.labelPadding;
        ctx.fillRect(0, y - 9, tag, 18);
        ctx.fillStyle = COLORS.white;
        ctx.textAlign = 'left';
        ctx.textBaseline = 'middle';
        ctx.fillText(label, g.labelPadding, y);
        break;
      }
      default: break;  // creations, deletions and loops are drawn with their spans
    }
  });
  ctx.globalAlpha = 1;
  return shown;
};

Painter.prototype.axisMarkColor = function (i) {
  var events = this.trace.events;
  if (events.kind[i] !== KIND.THREAD) return COLORS.trigger;
  return events.thread[i] >= 0 ? this.trace.threadColors[events.thread[i]] : COLORS.unknownThread;
};

Painter.prototype.paintArrow = function (ctx, i, sx, y, labels, label, width) {
  if (!this.isArrow(i)) return;
  var trace = this.trace, events = trace.events, g = GEOMETRY, styleIndex = events.style[i];
  var style = trace.styles[styleIndex];
  var color = events.thread[i] >= 0 ? trace.threadColors[events.thread[i]] : style.line;
  var ends = this.arrowEnds(i), fromX = sx(ends.fromX), toX = sx(ends.toX), tipY = y, direction;
  this.stroke(ctx, styleIndex, color, 1.3);
  ctx.beginPath();
  if (ends.self) {
    tipY = y + 6;
    direction = -1;
    ctx.moveTo(fromX, y - 6);
    ctx.lineTo(fromX + g.selfWidth, y - 6);
    ctx.lineTo(fromX + g.selfWidth, tipY);
    ctx.lineTo(toX, tipY);
    ctx.stroke();
    if (labels)
      this.text(ctx, label, styleIndex, fromX + g.selfWidth + g.labelPadding, y, 'left',
                g.columnWidth - g.selfWidth - 2 * g.labelPadding);
  } else {
    direction = toX > fromX ? 1 : -1;
    ctx.moveTo(fromX, y);
    ctx.lineTo(toX, y);
    ctx.stroke();
    // The label sits over the part of the shaft on screen.
    var left = Math.max(Math.min(fromX, toX), 0), right = Math.min(Math.max(fromX, toX), width);
    if (labels && right > left)
      this.text(ctx, label, styleIndex, (left + right) / 2, y - 5 - style.size / 2, 'center',
                Math.max(right - left - 2 * g.labelPadding, 40));
  }
  arrowHead(ctx, style.head, toX, tipY, direction, color);
  var f = events.flags[i];
  if (f & FLAG.COMPLETES_CALL) circle(ctx, fromX, y, 3.5, COLORS.white, color);
  if (f & FLAG.FROM_EDGE) circle(ctx, fromX, y, 3, color, color);
  if (f & FLAG.TO_EDGE) circle(ctx, toX, tipY, 3, color, color);
};

Painter.prototype.paintSynchronisation = function (ctx, i, sx, y, labels, label) {
  var trace = this.trace, events = trace.events, g = GEOMETRY, styleIndex = events.style[i];
  var at = trace.memberStart[i], count = events.members[at];
  if (!count) return;
  var xs = [];
  for (var k = 1; k <= count; ++k) xs.push(sx(columnX(events.members[at + k])));
  var left = Math.min.apply(null, xs) - 2 * g.labelPadding, right = Math.max.apply(null, xs) + 2 * g.labelPadding;
  var color = trace.styles[styleIndex].line;
  this.stroke(ctx, styleIndex, color, 3);
  ctx.beginPath();
  ctx.moveTo(left, y);
  ctx.lineTo(right, y);
  ctx.stroke();
  xs.forEach(function (x) { circle(ctx, x, y, 4, color, color); });
  if (labels) this.text(ctx, label, styleIndex, (left + right) / 2, y - 7 - 4, 'center', Math.max(right - left, g.columnWidth));
};

Painter.prototype.paintNote = function (ctx, i, sx, y, labels, label, shrink) {
  var trace = this.trace, g = GEOMETRY, styleIndex = trace.events.style[i], style = trace.styles[styleIndex];
  var ax = this.anchorX(i);
  var x = sx(ax === null ? g.edgeX + g.labelPadding : ax + 2 * g.labelPadding);
  this.setFont(ctx, style);
  var text = labels ? this.fit(ctx, label, styleIndex, g.noteMaxWidth - 2 * g.labelPadding - g.noteFold) : '';
  var w = Math.max(40, ctx.measureText(text).width + 2 * g.labelPadding + g.noteFold);
  var h = g.noteHeight * shrink, top = y - h / 2, right = x + w, fold = Math.min(g.noteFold, h / 2);
  if (ax !== null) {
    ctx.strokeStyle = style.line;
    ctx.lineWidth = 1;
    ctx.setLineDash([3, 3]);
    ctx.beginPath();
    ctx.moveTo(sx(ax), y);
    ctx.lineTo(x, y);
    ctx.stroke();
  }
  ctx.setLineDash([]);
  ctx.beginPath();
  ctx.moveTo(x, top);
  ctx.lineTo(right - fold, top);
  ctx.lineTo(right, top + fold);
  ctx.lineTo(right, top + h);
  ctx.lineTo(x, top + h);
  ctx.closePath();
  ctx.fillStyle = style.back;
  ctx.fill();
  ctx.strokeStyle = style.line;
  ctx.stroke();
  ctx.beginPath();
  ctx.moveTo(right - fold, top);
  ctx.lineTo(right - fold, top + fold);
  ctx.lineTo(right, top + fold);
  ctx.stroke();
  if (labels) this.text(ctx, text, styleIndex, x + g.labelPadding, y, 'left');
};

// A title box centred at (x, y) in pixels.
Painter.prototype.titleBox = function (ctx, line, x, y, shrink, labels) {
  var trace = this.trace, g = GEOMETRY, lines = trace.lifelines;
  var styleIndex = lines.titleStyle[line], style = trace.styles[styleIndex];
  var text = trace.strings[lines.title[line]];
  this.setFont(ctx, style);
  var fitted = this.fit(ctx, text, styleIndex, g.columnWidth - 2 * 10 - 8);
  var w = Math.max(64, ctx.measureText(fitted).width + 20), h = g.titleHeight * shrink;
  ctx.setLineDash([]);
  ctx.fillStyle = style.back;
  ctx.fillRect(x - w / 2, y - h / 2, w, h);
  ctx.strokeStyle = style.line;
  ctx.lineWidth = 1;
  ctx.strokeRect(x - w / 2, y - h / 2, w, h);
  if (labels || shrink >= 0.5) this.text(ctx, fitted, styleIndex, x, y, 'center');
};

// More lifelines than this in one column on screen are drawn as one line,
// without their boxes and crosses.
var MAX_DETAILED_LINES = 150;

// In a crowded view, bars less than a pixel apart are drawn as one: each
// shape costs the browser more to draw than the script spends on it.
Painter.prototype.paintLifelines = function (ctx, v, top, bottom, sx, sy, shrink, labels, crowded) {
  var trace = this.trace, layout = this.layout, g = GEOMETRY, lines = trace.lifelines, self = this;
  var barStyle = this.barStyle();
  var shownColumns = columnsInView(trace.columns, v.left, v.width);
  for (var c = shownColumns[0]; c <= shownColumns[1]; ++c) {
    var x = sx(columnX(c));
    if (x < -g.columnWidth || x > v.width + g.columnWidth) continue;
    var found = linesBetween(layout, c, top, bottom);
    if (!found.length) continue;
    // A served stretch sends a sample of a crowded column's lifelines.
    var detailed = found.length <= MAX_DETAILED_LINES && !(lines.crowded && lines.crowded[found[0]]);
    if (!detailed) {
      this.stroke(ctx, lines.lineStyle[found[0]]);
      ctx.beginPath();
      ctx.moveTo(x, Math.max(sy(layout.lineTop[found[found.length - 1]]), 0));
      ctx.lineTo(x, Math.min(sy(layout.lineAfter[found[0]]), v.height));
      ctx.stroke();
    } else {
      found.forEach(function (line) {
        var titleY = sy(layout.lineTop[line]), end = sy(layout.lineBottom[line]);
        var start = titleY + g.titleHeight * shrink / 2;
        self.stroke(ctx, lines.lineStyle[line]);
        ctx.beginPath();
        ctx.moveTo(x, Math.max(start, -10));
        ctx.lineTo(x, Math.min(end, v.height + 10));
        ctx.stroke();
        var after = sy(layout.lineAfter[line]);
        if (after > end) {
          // Events of the instance after its deletion: a dashed line on to the last.
          self.stroke(ctx, lines.lineStyle[line]);
          ctx.setLineDash([3, 5]);
          ctx.beginPath();
          ctx.moveTo(x, Math.max(end, -10));
          ctx.lineTo(x, Math.min(after, v.height + 10));
          ctx.stroke();
        }
        if (lines.crossStyle[line] >= 0) {
          self.stroke(ctx, lines.crossStyle[line], null, 2);
          ctx.setLineDash([]);
          ctx.beginPath();
          ctx.moveTo(x - g.crossHalf, end - g.crossHalf); ctx.lineTo(x + g.crossHalf, end + g.crossHalf);
          ctx.moveTo(x + g.crossHalf, end - g.crossHalf); ctx.lineTo(x - g.crossHalf, end + g.crossHalf);
          ctx.stroke();
        }
      });
    }
    // Bars over the lifelines; one per pixel row when they crowd. Bars of a
    // column follow each other down without overlapping.
    var bars = columnBars(layout, c);
    ctx.setLineDash([]);
    ctx.fillStyle = barStyle.back;
    ctx.strokeStyle = barStyle.line;
    ctx.lineWidth = 1;
    var runTop = null, runBottom = null;
    var paintRun = function () {
      ctx.fillRect(x - g.barHalfWidth, runTop, 2 * g.barHalfWidth, runBottom - runTop);
      ctx.strokeRect(x - g.barHalfWidth, runTop, 2 * g.barHalfWidth, runBottom - runTop);
    };
    for (var b = Math.max(0, lowerBound(bars.tops, top) - 1); b < bars.tops.length && bars.tops[b] <= bottom;) {
      if (bars.bottoms[b] >= top) {
        var bt = sy(bars.tops[b]), bb = Math.max(sy(bars.bottoms[b]), bt + 1);
        if (runTop !== null && crowded && bt - runBottom < 1) {
          runBottom = Math.max(runBottom, bb);
        } else {
          if (runTop !== null) paintRun();
          runTop = bt;
          runBottom = bb;
        }
      }
      b = Math.max(b + 1, lowerBound(bars.tops, bars.tops[b] + 1 / v.zoom));
    }
    if (runTop !== null) paintRun();
    // Title boxes where lifelines begin, over their bars.
    if (!detailed) continue;
    found.forEach(function (line) {
      var titleY = sy(layout.lineTop[line]);
      if (titleY > -g.titleHeight && titleY < v.height + g.titleHeight) self.titleBox(ctx, line, x, titleY, shrink, labels);
    });
  }
};

Painter.prototype.barStyle = function () {
  return this.trace.styles[this.trace.barStyle] || { back: '#e8eef7', line: '#333333' };
};

// Loop frames: those that begin on screen and those still open above it,
// whose tabs stack at the top of the view by depth.
Painter.prototype.paintLoops = function (ctx, v, top, bottom, sx, sy, labels, sampled) {
  var trace = this.trace, layout = this.layout, loops = trace.loops, g = GEOMETRY, self = this;
  if (!trace.loopCount) return;
  var tops = layout.loopTop, first = lowerBound(tops, top);
  var visible = [];
  var openAbove = [];
  for (var k = first - 1; k >= 0; k = loops.parent[k]) {
    if (layout.loopBottom[k] >= top) openAbove.push(k);
  }
  openAbove.reverse();
  // One loop per pixel row where they crowd, fewer in a sampled view.
  var spacing = (sampled ? CROWDED_LOOP_PIXELS : 1) / v.zoom;
  for (var j = first; j < trace.loopCount && tops[j] < bottom;) {
    visible.push(j);
    j = Math.max(j + 1, lowerBound(tops, tops[j] + spacing));
  }
  // The view names the loops open above it in a band of its own.
  this.openAbove = openAbove;
  var tab = 16, tabs = [];
  openAbove.concat(visible).forEach(function (loop, order) {
    // Each level of nesting a little inside the one around it, however deep.
    var depth = layout.loopDepth[loop], inset = 10 + (g.loopPadding - 10) * Math.pow(LOOP_INSET_RATIO, depth);
    var left, right;
    if (loops.left[loop] > loops.right[loop]) {
      left = g.axisX + 24; right = left + g.columnWidth;
    } else {
      // Right of the time axis, also around messages from a hidden world actor's edge.
      left = Math.max(endpointX(loops.left[loop]) - inset,
                      g.axisWidth + 1 + (g.edgeX - g.axisWidth - 2) * (1 - Math.pow(LOOP_INSET_RATIO, depth)));
      right = endpointX(loops.right[loop]) + inset;
    }
    var x1 = sx(left), x2 = sx(right);
    var isOpen = order < openAbove.length;
    var y1 = isOpen ? -1 : sy(tops[loop]);
    var y2 = sy(layout.loopBottom[loop]);
    var styleIndex = loops.style[loop], style = trace.styles[styleIndex];
    self.stroke(ctx, styleIndex);
    ctx.beginPath();
    ctx.moveTo(x1, Math.max(y2, y1));
    ctx.lineTo(x1, y1);
    ctx.lineTo(x2, y1);
    ctx.lineTo(x2, Math.max(y2, y1));
    ctx.stroke();
    if (loops.end[loop] >= 0) {
      self.stroke(ctx, loops.endStyle[loop]);
      ctx.beginPath();
      ctx.moveTo(x1, y2);
      ctx.lineTo(x2, y2);
      ctx.stroke();
    }
    if (labels && !isOpen) tabs.push(function () {
      self.setFont(ctx, style);
      var text = self.fit(ctx, trace.strings[loops.label[loop]], styleIndex, Math.max(x2 - x1 - 4 * g.labelPadding, 40));
      var w = ctx.measureText(text).width + 2 * g.labelPadding;
      ctx.setLineDash([]);
      ctx.fillStyle = style.back;
      ctx.beginPath();
      ctx.moveTo(x1, y1); ctx.lineTo(x1 + w, y1); ctx.lineTo(x1 + w, y1 + tab - 4);
      ctx.lineTo(x1 + w - 4, y1 + tab); ctx.lineTo(x1, y1 + tab); ctx.closePath();
      ctx.fill();
      ctx.strokeStyle = style.line;
      ctx.stroke();
      self.text(ctx, text, styleIndex, x1 + g.labelPadding, y1 + tab / 2, 'left');
    });
  });
  this.loopTabs = tabs;
};

// The tabs of the loop frames, over the lifelines and bars they cross.
Painter.prototype.paintLoopTabs = function () {
  (this.loopTabs || []).forEach(function (paintTab) { paintTab(); });
  this.loopTabs = [];
};

// Large gaps in time between rows: a faint band across the body.
Painter.prototype.paintGaps = function (ctx, v, list, sy) {
  var layout = this.layout;
  ctx.setLineDash([4, 4]);
  ctx.strokeStyle = COLORS.gap;
  ctx.lineWidth = 1;
  ctx.beginPath();
  list.forEach(function (i) {
    var above = layout.gapAbove(i);
    if (!above) return;
    var y = sy(layout.y[i] - above / 2);
    ctx.moveTo(0, y);
    ctx.lineTo(v.width, y);
  });
  ctx.stroke();
};

// Selected events and search hits, under the shapes.
Painter.prototype.paintHighlights = function (ctx, v, list, sx, sy) {
  var layout = this.layout, g = GEOMETRY, self = this;
  var mark = function (i, color) {
    var y = sy(layout.y[i]), x1 = 0, x2 = 2 * g.columnWidth, kind = self.trace.events.kind[i];
    if (self.isArrow(i)) {
      var ends = self.arrowEnds(i);
      x1 = sx(Math.min(ends.fromX, ends.toX)) - 8;
      x2 = sx(Math.max(ends.fromX, ends.toX) + (ends.self ? g.selfWidth : 0)) + 8;
    } else if (v.eventX(i) !== null) {
      x1 = sx(v.eventX(i)) - g.columnWidth / 2;
      x2 = sx(v.eventX(i)) + g.columnWidth / 2 + (kind === KIND.NOTE || kind === KIND.GLYPH ? g.noteMaxWidth : 0);
    }
    ctx.fillStyle = color;
    ctx.fillRect(x1, y - 12, x2 - x1, 24);
  };
  if (v.hits && v.hits.length) {
    list.forEach(function (i) { if (v.isHit(i)) mark(i, COLORS.hit); });
  }
  (v.selected || []).forEach(function (event) {
    var i = localIndex(self.trace, event);
    if (i >= 0 && layout.y[i] >= v.top - 100 && layout.y[i] <= v.top + v.height / v.zoom + 100) mark(i, COLORS.selected);
  });
};

// The axis canvas: its line, thread changes, triggers and gap marks.
Painter.prototype.paintAxis = function (ctx, v, list) {
  var layout = this.layout, events = this.trace.events, g = GEOMETRY, self = this;
  var sy = function (y) { return (y - v.top) * v.zoom; };
  ctx.clearRect(0, 0, g.axisWidth, v.height);
  ctx.setLineDash([]);
  ctx.strokeStyle = '#9aa5b1';
  ctx.lineWidth = 1;
  ctx.beginPath();
  ctx.moveTo(g.axisX + 0.5, 0);
  ctx.lineTo(g.axisX + 0.5, v.height);
  ctx.stroke();
  var breaks = [];
  list.forEach(function (i) {
    var y = sy(layout.y[i]), kind = events.kind[i];
    if (kind === KIND.THREAD) {
      ctx.fillStyle = self.axisMarkColor(i);
      ctx.fillRect(g.axisX - 4, y - 6, 8, 12);
    } else if (kind === KIND.EXTERNAL_TRIGGER || kind === KIND.TRIGGER_START || kind === KIND.TRIGGER_STOP) {
      ctx.fillStyle = COLORS.trigger;
      ctx.beginPath();
      ctx.moveTo(g.axisX, y - 7); ctx.lineTo(g.axisX + 10, y); ctx.lineTo(g.axisX, y + 7);
      ctx.closePath();
      ctx.fill();
    }
    var above = layout.gapAbove(i);
    if (above) breaks.push(sy(layout.y[i] - above / 2));
  });
  // A break in the axis: two chevrons.
  ctx.strokeStyle = COLORS.gap;
  ctx.lineWidth = 2;
  ctx.beginPath();
  breaks.forEach(function (gy) {
    ctx.moveTo(g.axisX - 6, gy - 6); ctx.lineTo(g.axisX, gy - 2); ctx.lineTo(g.axisX + 6, gy - 6);
    ctx.moveTo(g.axisX - 6, gy + 2); ctx.lineTo(g.axisX, gy + 6); ctx.lineTo(g.axisX + 6, gy + 2);
  });
  ctx.stroke();
  this.paintProblemMarks(ctx, v, list);
};
