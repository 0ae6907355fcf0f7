// edge_names.js: an arrow whose end lies beyond the left or right of the
// view names that end at the edge, on the arrow's row, in text that can be
// selected and copied.

var EDGE_NAME_GAP = 4;  // pixels between a name and the edge

View.prototype.placeEdgeNames = function () {
  var trace = this.trace, layout = this.layout, painter = this.painter, g = GEOMETRY, used = 0;
  var parent = document.getElementById('edge-names'), list = this.shown.list;
  // Only where rows are far enough apart for labels, as the arrows' own.
  var labelled = !this.shown.sampled && this.zoom * g.row >= LABEL_ROW_PIXELS;
  for (var k = 0; labelled && k < list.length; ++k) {
    var i = list[k];
    if (!painter.isArrow(i)) continue;
    var ends = painter.arrowEnds(i), y = (layout.y[i] - this.top) * this.zoom;
    if (ends.self || y < 0 || y > this.height) continue;
    var events = trace.events, leftward = ends.toX < ends.fromX, glyph = leftward ? '\u2190' : '\u2192';
    var from = this.edgeSide(ends.fromX), to = this.edgeSide(ends.toX);
    var fromName = from && instanceName(this, events.from[i], i, events.flags[i] & FLAG.FROM_EDGE);
    var toName = to && instanceName(this, events.to[i], i, events.flags[i] & FLAG.TO_EDGE);
    // Both ends beyond one edge: one tag for the arrow, its names in the
    // order of their columns; else one per end.
    var both = leftward ? toName + ' ' + glyph + ' ' + fromName : fromName + ' ' + glyph + ' ' + toName;
    var tags = from && from === to ? [[from, both]]
             : [[from, glyph + ' ' + fromName], [to, glyph + ' ' + toName]].filter(function (t) { return t[0]; });
    for (var t = 0; t < tags.length; ++t) {
      var tag = pooledElement(this.edgePool, used++, parent, 'span', 'edge-name');
      if (tag.textContent !== tags[t][1]) tag.textContent = tags[t][1];
      tag.classList.toggle('right', tags[t][0] === 'right');
      tag.style.top = (y - 8) + 'px';
      tag.dataset.event = globalIndex(trace, i);
      tag.hidden = false;
    }
  }
  for (; used < this.edgePool.length; ++used) this.edgePool[used].hidden = true;
};

// 'left' or 'right' for a diagram x beyond that edge of the view, else null.
View.prototype.edgeSide = function (x) {
  var at = x - this.left - GEOMETRY.axisWidth;
  return at < 0 ? 'left' : at > this.width ? 'right' : null;
};
