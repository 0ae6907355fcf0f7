// view.js: the window onto the diagram. The view keeps the diagram y at
// its top, the zoom (pixels per diagram unit, on the time axis only) and
// the diagram x at its left; it draws on demand, once per frame.

var MAX_ZOOM = 8;
var TITLE_BAND = 40;

// `source` is the server of a served trace (served.js); null for a page
// that carries the whole trace. The view keeps events by their number in
// the trace; its data may hold only some of them.
function View(trace, layout, source) {
  this.trace = trace;
  this.layout = layout;
  this.source = source || null;
  this.painter = new Painter(trace, layout);
  this.top = 0;
  this.left = 0;
  this.zoom = 1;
  this.width = 0;
  this.height = 0;
  this.selected = [];
  this.onlyThread = -1;  // the thread shown alone (others dimmed), or -1
  this.hits = null;
  this.terms = null;    // of the search, if any
  this.matched = null;  // per label: 1 when the search's text matches it
  this.hitSet = null;   // the hits, where a kind or an instance narrows them
  this.shown = { list: [], sampled: false };
  this.pending = false;
  this.listeners = [];
  this.body = document.getElementById('body');
  this.canvas = document.getElementById('diagram');
  this.axisCanvas = document.getElementById('axis-canvas');
  this.axisLabels = document.getElementById('axis-labels');
  this.titles = document.getElementById('titles');
  this.overview = document.getElementById('overview');
  this.hscroll = document.getElementById('hscroll');
  this.titlePool = [];
  this.edgePool = [];
  this.labelPool = [];
  this.density = null;
}

View.prototype.useData = function (trace, layout) {
  this.trace = this.painter.trace = trace;
  this.layout = this.painter.layout = layout;
};

View.prototype.isHit = function (i) {
  if (this.source) return (this.trace.events.flags[i] & FLAG.HIT) !== 0;
  var label = this.trace.events.label[i];
  if (this.matched === null || label < 0 || this.matched[label] !== 1) return false;
  return !this.hitSet || this.hitSet.has(i);
};

View.prototype.minZoom = function () {
  return Math.min(1, this.height / this.layout.height);
};

View.prototype.clamp = function () {
  this.zoom = Math.min(MAX_ZOOM, Math.max(this.minZoom(), this.zoom));
  var maxTop = Math.max(0, this.layout.height - this.height / this.zoom);
  this.top = Math.min(maxTop, Math.max(0, this.top));
  var maxLeft = Math.max(0, this.layout.width - GEOMETRY.axisWidth - this.width);
  this.left = Math.min(maxLeft, Math.max(0, this.left));
};

View.prototype.resize = function () {
  var ratio = window.devicePixelRatio || 1;
  this.width = this.body.clientWidth;
  this.height = this.body.clientHeight;
  [[this.canvas, this.width], [this.axisCanvas, GEOMETRY.axisWidth], [this.overview, this.overview.clientWidth]]
    .forEach(function (pair) {
      var canvas = pair[0];
      canvas.width = Math.max(1, Math.round(pair[1] * ratio));
      canvas.height = Math.max(1, Math.round(this.height * ratio));
      canvas.style.width = pair[1] + 'px';
      canvas.style.height = this.height + 'px';
      canvas.getContext('2d').setTransform(ratio, 0, 0, ratio, 0, 0);
    }, this);
  document.getElementById('hscroll-width').style.width = (this.layout.width - GEOMETRY.axisWidth) + 'px';
  this.density = null;
  this.densityAsked = 0;
  this.densityPicture = null;
  this.clamp();
  this.draw();
};

// Asks for a drawing at the next frame.
View.prototype.update = function () {
  this.clamp();
  if (this.pending) return;
  this.pending = true;
  var self = this;
  window.requestAnimationFrame(function () {
    self.pending = false;
    self.draw();
  });
};

View.prototype.draw = function () {
  this.clamp();
  var ctx = this.canvas.getContext('2d');
  this.painter.openAbove = [];
  this.shown = this.painter.paint(ctx, this);
  this.placeLoopBand(this.painter.openAbove);
  this.painter.paintAxis(this.axisCanvas.getContext('2d'), this, this.shown.list);
  this.placeAxisLabels();
  this.placeEdgeNames();
  this.placeTitles();
  this.paintOverview();
  document.getElementById('zoom-level').textContent = formatZoom(this.zoom);
  if (Math.abs(this.hscroll.scrollLeft - this.left) > 1) this.hscroll.scrollLeft = this.left;
  this.listeners.forEach(function (listener) { listener(); });
  this.keepPosition();
  if (this.source) this.source.serve(this);
};

function formatZoom(zoom) {
  var percent = zoom * 100;
  if (percent >= 10) return Math.round(percent) + '%';
  if (percent >= 0.1) return percent.toFixed(1) + '%';
  // Two significant digits in plain decimals: "2.8e-4%" tells a user nothing.
  var decimals = Math.min(20, Math.floor(-Math.log10(percent)) + 2);
  return percent.toFixed(decimals).replace(/0+$/, '') + '%';
}

// Diagram y under a pixel row of the body.
View.prototype.yAt = function (pixel) { return this.top + pixel / this.zoom; };

// Zooms keeping the diagram point under pixel row `pixel` in place.
View.prototype.zoomAt = function (zoom, pixel) {
  var y = this.yAt(pixel);
  this.zoom = Math.min(MAX_ZOOM, Math.max(this.minZoom(), zoom));
  this.top = y - pixel / this.zoom;
  this.update();
};

View.prototype.zoomBy = function (factor) { this.zoomAt(this.zoom * factor, this.height / 2); };

// Puts the row of event `event` (its number in the trace) at the top of the
// view, or as near as the end allows, and its shape in view.
View.prototype.scrollToEvent = function (event, known) {
  return this.reach(event, function (y, height) { return y - height / 2; }, false, known);
};

// Moves the view so that the row of `event` is at topOf(its y, its
// height) and its shape in view (in the middle when `centre`), then draws.
// A served view asks where the event is first, unless `known` (the
// server's answer {event, y, height}) says: then a Promise.
View.prototype.reach = function (event, topOf, centre, known) {
  var self = this, g = GEOMETRY;
  this.noteJump();
  var showShape = function () {
    var i = localIndex(self.trace, event), x = i >= 0 ? self.focusX(i) : null;
    if (x !== null && (centre || x - g.axisWidth < self.left || x - g.axisWidth > self.left + self.width))
      self.left = x - g.axisWidth - self.width / 2;
    self.clamp();
    self.draw();
  };
  if (!this.source) {
    if (event < 0 || event >= this.trace.count) return;
    this.top = topOf(this.layout.y[event], rowHeightOf(this.trace.events.kind[event]));
    showShape();
    return;
  }
  if (event < 0 || event >= this.trace.total) return Promise.resolve();
  var located = known && known.event === event ? Promise.resolve(known) : askServer('locate', { event: event });
  return this.source.track(located.then(function (place) {
    self.top = topOf(place.y, place.height);
    self.clamp();
    self.draw();
  })).then(function () { return self.source.idle(self); }).then(showShape);
};

// The diagram x at the middle of event i's shape, or null for marks on the axis.
View.prototype.eventX = function (i) {
  var events = this.trace.events, painter = this.painter;
  if (painter.isArrow(i)) {
    var ends = painter.arrowEnds(i);
    return ends.self ? ends.toX + GEOMETRY.selfWidth / 2 : (ends.fromX + ends.toX) / 2;
  }
  var kind = events.kind[i];
  if (kind === KIND.NOTE || kind === KIND.GLYPH) {
    var anchor = painter.anchorX(i);
    return anchor === null ? GEOMETRY.edgeX : anchor;
  }
  if (kind === KIND.SYNCHRONISATION) {
    var at = this.trace.memberStart[i];
    return events.members[at] ? columnX(events.members[at + 1]) : null;
  }
  if (events.from[i] >= 0) return columnX(events.from[i]);
  return null;
};

// The diagram x that showing event i brings into view: an arrow's sender
// (its receiver when the sender is the hidden world actor), not the
// middle of a long arrow; else as eventX.
View.prototype.focusX = function (i) {
  if (!this.painter.isArrow(i)) return this.eventX(i);
  var ends = this.painter.arrowEnds(i);
  if (ends.self) return ends.toX + GEOMETRY.selfWidth / 2;
  return this.trace.events.flags[i] & FLAG.FROM_EDGE ? ends.toX : ends.fromX;
};

// Events whose rows lie on screen: [first, last], or [-1, -1].
View.prototype.visibleRange = function () {
  var first = eventAtOrBelow(this.layout, this.top);
  var last = eventAtOrBelow(this.layout, this.top + this.height / this.zoom + 1e-6) - 1;
  return last < first ? [-1, -1] : [first, last];
};

// The times along the axis, in recycled elements so that they can be
// selected and copied.
View.prototype.placeAxisLabels = function () {
  var layout = this.layout, trace = this.trace, events = trace.events, used = 0, lastY = -Infinity;
  var range = this.visibleRange(), previous = range[0] > 0 ? timeText(trace, range[0] - 1) : null;
  var first = Math.max(0, range[0]);
  var list = this.shown.list;
  for (var k = 0; k < list.length; ++k) {
    var i = list[k];
    if (i < first || i > range[1]) continue;
    // Notes and glyphs carry the time they were read, not their owner's.
    if (!layout.rowFirst[i] || events.kind[i] === KIND.NOTE || events.kind[i] === KIND.GLYPH) continue;
    var text = timeText(trace, i), y = (layout.y[i] - this.top) * this.zoom;
    if (text === previous || y - lastY < 16) continue;
    previous = text;
    lastY = y;
    var label = pooledElement(this.labelPool, used++, this.axisLabels, 'span', 'time');
    if (label.textContent !== text) {
      label.textContent = text;
      // Only a time too long for the axis is set smaller, with a tooltip.
      var size = this.axisFontSize(text);
      if (label.style.fontSize !== size) label.style.fontSize = size;
      if (size || label.title) label.title = size ? text : '';
    }
    label.style.top = (y - 8) + 'px';
    label.dataset.event = globalIndex(trace, i);
    label.hidden = false;
  }
  for (; used < this.labelPool.length; ++used) this.labelPool[used].hidden = true;
};

// The font size that fits a time into the axis: smaller for a long one,
// which would be cut off on the left. Measured on a canvas, which costs no
// layout of the page, in the labels' font.
var AXIS_LABEL_ROOM = 116;  // pixels left of the axis line, with a margin
var AXIS_FONT = 11, AXIS_SMALLEST_FONT = 7;
View.prototype.axisFontSize = function (text) {
  var measure = this.axisMeasure;
  if (!measure) {
    measure = this.axisMeasure = document.createElement('canvas').getContext('2d');
    measure.font = AXIS_FONT + 'px ' + getComputedStyle(this.axisLabels).fontFamily;
  }
  var width = measure.measureText(text).width;
  return width > AXIS_LABEL_ROOM
    ? Math.max(AXIS_SMALLEST_FONT, Math.floor(AXIS_FONT * AXIS_LABEL_ROOM / width * 10) / 10) + 'px' : '';
};

// Element `index` of a pool of recycled elements in `parent`, made when the
// pool is shorter.
function pooledElement(pool, index, parent, tag, className) {
  if (!pool[index]) {
    var element = document.createElement(tag);
    element.className = className;
    parent.appendChild(element);
    pool.push(element);
  }
  return pool[index];
}

// The sticky titles: for each column, the instance that holds it at the top
// of the view (or the first to take it below), and "×N" where N instances
// take it in turn in the view ("×many" where a served stretch samples
// them). Titles carry the dynamic id where a neighbour shares the name; the
// tooltip always does.
View.prototype.placeTitles = function () {
  var trace = this.trace, layout = this.layout, lines = trace.lifelines, g = GEOMETRY;
  var y = Math.max(this.top, layout.topRowY), bottom = this.top + this.height / this.zoom, used = 0;
  var shown = columnsInView(trace.columns, this.left, this.width);
  for (var c = shown[0]; c <= shown[1]; ++c) {
    var x = columnX(c) - this.left - g.axisWidth;
    if (x < -g.columnWidth / 2 || x > this.width + g.columnWidth / 2) continue;
    // The column's occupant at the top of the view, or its first below;
    // zoomed out, how many held it in view.
    var found = linesBetween(layout, c, y, bottom);
    if (!found.length) continue;
    var line = found[found.length - 1];
    var count = lines.crowded && lines.crowded[line] ? 'many' : found.length > 1 ? String(found.length) : '';
    var box = pooledElement(this.titlePool, used++, this.titles, 'div', 'title');
    var style = trace.styles[lines.titleStyle[line]];
    var text = trace.strings[lines.title[line]] + (count ? ' \u00d7' + count : '');
    if (box.textContent !== text) box.textContent = text;
    box.title = trace.strings[lines.tooltip[line]] + (lines.link[line] >= 0 ? '\n' + trace.strings[lines.link[line]] : '') +
                (count ? '\n' + (count === 'many' ? 'Many instances' : count + ' instances') +
                         ' hold this column in turn in the view' : '');
    box.dataset.lifeline = lines.lifeline ? lines.lifeline[line] : line;
    box.dataset.column = c;
    box.style.left = (x - (g.columnWidth - 10) / 2) + 'px';
    box.style.width = (g.columnWidth - 10) + 'px';
    box.style.color = style.text;
    box.style.background = style.back;
    box.style.borderColor = style.line;
    box.style.font = fontOf(style);
    box.hidden = false;
  }
  for (; used < this.titlePool.length; ++used) this.titlePool[used].hidden = true;
};

// The overview strip: how many events fall in each stretch of the diagram,
// top to bottom, and where the view is. Stretches of rows rather than of
// time: a trace whose times jump by far more than their usual steps would
// fill only a bin or two of time.
View.prototype.paintOverview = function () {
  var canvas = this.overview, width = canvas.clientWidth, height = this.height, trace = this.trace;
  var ctx = canvas.getContext('2d'), n = trace.count;
  if (!trace.total || !height) return;
  if (!this.density && this.source) {
    this.askDensity(Math.max(1, Math.floor(height)));
    return;
  }
  if (!this.density) {
    var ys = this.layout.y, bins = new Int32Array(Math.max(1, Math.floor(height)));
    var scale = bins.length / Math.max(this.layout.height, 1);
    for (var i = 0; i < n; ++i) ++bins[Math.min(bins.length - 1, Math.floor(ys[i] * scale))];
    var most = 0;
    for (i = 0; i < bins.length; ++i) most = Math.max(most, bins[i]);
    this.density = { bins: bins, most: most };
  }
  var d = this.density;
  // The density is drawn once per size (resize forgets it) and copied at every frame.
  if (!this.densityPicture) {
    var picture = document.createElement('canvas');
    picture.width = canvas.width;
    picture.height = canvas.height;
    var pctx = picture.getContext('2d');
    pctx.setTransform(ctx.getTransform());
    pctx.fillStyle = '#f2f4f7';
    pctx.fillRect(0, 0, width, height);
    pctx.fillStyle = '#5b7fa6';
    var scale = Math.log(1 + d.most);
    for (var b = 0; b < d.bins.length; ++b) {
      if (!d.bins[b]) continue;
      var w = Math.max(1, (width - 4) * Math.log(1 + d.bins[b]) / scale);
      pctx.fillRect(width - 2 - w, b * height / d.bins.length, w, Math.max(1, height / d.bins.length));
    }
    this.densityPicture = picture;
  }
  ctx.save();
  ctx.setTransform(1, 0, 0, 1, 0, 0);
  ctx.clearRect(0, 0, canvas.width, canvas.height);
  ctx.drawImage(this.densityPicture, 0, 0);
  ctx.restore();
  var toStrip = height / Math.max(this.layout.height, 1);
  var y1 = this.top * toStrip, y2 = (this.top + height / this.zoom) * toStrip;
  ctx.strokeStyle = '#d62728';
  ctx.lineWidth = 2;
  ctx.strokeRect(1, y1 - 1, width - 2, Math.max(3, y2 - y1 + 2));
};

// A served view's density comes from the server, once per size.
View.prototype.askDensity = function (bins) {
  var self = this;
  if (this.densityAsked === bins) return;
  this.densityAsked = bins;
  askServer('density', { bins: bins }).then(function (density) {
    if (self.densityAsked !== bins) return;
    self.density = density;
    self.densityPicture = null;
    self.update();
  }, showServedFailure);
};

// The diagram y at a pixel row of the overview strip.
View.prototype.overviewY = function (pixel) {
  return Math.max(0, Math.min(1, pixel / this.height)) * this.layout.height;
};

// The first event at or after time t (in the trace's unit), or -1.
View.prototype.firstAtOrAfter = function (t) {
  var time = this.trace.events.time;
  for (var i = 0; i < time.length; ++i) if (time[i] >= t) return i;
  return -1;
};

View.prototype.bindControls = function () {
  var self = this, view = document.getElementById('view');
  document.getElementById('zoom-in').addEventListener('click', function () { self.zoomBy(1.25); });
  document.getElementById('zoom-out').addEventListener('click', function () { self.zoomBy(0.8); });
  document.getElementById('zoom-reset').addEventListener('click', function () { self.zoomAt(1, self.height / 2); });
  document.getElementById('zoom-fit').addEventListener('click', function () {
    self.zoom = self.minZoom();
    self.top = 0;
    self.update();
  });

  // The wheel scrolls; with Ctrl (or a pinch) it zooms by its amount, and
  // never zooms the browser's page.
  window.addEventListener('wheel', function (event) {
    if (!event.ctrlKey && !view.contains(event.target)) return;
    event.preventDefault();
    var unit = event.deltaMode === 1 ? 16 : event.deltaMode === 2 ? self.height : 1;
    var dy = event.deltaY * unit, dx = event.deltaX * unit;
    if (event.ctrlKey || event.metaKey) {
      var rect = self.body.getBoundingClientRect();
      self.zoomAt(self.zoom * Math.exp(-dy * 0.002), Math.max(0, Math.min(self.height, event.clientY - rect.top)));
      return;
    }
    if (event.shiftKey && !dx) { dx = dy; dy = 0; }
    self.top += dy / self.zoom;
    self.left += dx;
    self.update();
  }, { passive: false });

  window.addEventListener('keydown', function (event) {
    var typing = event.target && (event.target.tagName === 'INPUT' || event.target.tagName === 'TEXTAREA');
    var key = event.key;
    if (event.ctrlKey || event.metaKey) {
      // The page's own zoom instead of the browser's.
      if (key === '+' || key === '=') { event.preventDefault(); self.zoomBy(1.25); }
      else if (key === '-') { event.preventDefault(); self.zoomBy(0.8); }
      else if (key === '0') { event.preventDefault(); self.zoomAt(1, self.height / 2); }
      return;
    }
    if (key === 'Escape') {
      ['keys', 'legend', 'problems', 'search-options', 'hits', 'bookmarks'].forEach(function (id) {
        document.getElementById(id).hidden = true;
      });
      if (self.pinned) unpin(self);
      return;
    }
    if (typing) return;
    if (key === '?') {
      var help = document.getElementById('keys');
      help.hidden = !help.hidden;
      return;
    }
    var page = self.height / self.zoom * 0.9, line = 40 / self.zoom;
    if (key === '+' || key === '=') self.zoomBy(1.25);
    else if (key === '-') self.zoomBy(0.8);
    else if (key === '0') self.zoomAt(1, self.height / 2);
    else if (key === 'ArrowDown') self.top += line;
    else if (key === 'ArrowUp') self.top -= line;
    else if (key === 'ArrowRight') self.left += 40;
    else if (key === 'ArrowLeft') self.left -= 40;
    else if (key === 'PageDown' || key === ' ') self.top += page;
    else if (key === 'PageUp') self.top -= page;
    else if (key === 'Home') self.top = 0;
    else if (key === 'End') self.top = self.layout.height;
    else if ((key === 'f' || key === 'F') && self.selected.length) {
      Promise.resolve(follow(self, self.selected[0])).catch(showServedFailure);
      return;
    }
    else return;
    event.preventDefault();
    self.update();
  });

  this.hscroll.addEventListener('scroll', function () {
    if (Math.abs(self.hscroll.scrollLeft - self.left) > 1) {
      self.left = self.hscroll.scrollLeft;
      self.update();
    }
  });

  var jumping = false;
  var jump = function (event) {
    var rect = self.overview.getBoundingClientRect();
    self.top = self.overviewY(event.clientY - rect.top) - self.height / self.zoom / 2;
    self.update();
  };
  this.overview.addEventListener('mousedown', function (event) { jumping = true; jump(event); event.preventDefault(); });
  window.addEventListener('mousemove', function (event) { if (jumping) jump(event); });
  window.addEventListener('mouseup', function () { jumping = false; });
  window.addEventListener('resize', function () { self.resize(); });
};
