// api.js: starts the page and exposes window.tdfView, the interface that
// automated tests use (documented in the README; keep it stable).

var readyResolve;
var ready = new Promise(function (resolve) { readyResolve = resolve; });
var tdfView = null;

window.tdfView = {
  // Resolved once the page is interactive.
  ready: ready,
  // The number of lifeline columns (the world actor's included).
  columns: function () { return tdfView.trace.columns; },
  // The number of events whose label contains `text` (case sensitive);
  // the view moves to the first of them.
  find: function (text) {
    var count = search(tdfView, String(text));
    if (count) nextHit(tdfView, true);
    return count;
  },
  // Scrolls to the first event (in trace order) at or after time t, in the
  // trace's unit; returns its index, or -1 when there is none.
  goToTime: function (t) {
    var i = tdfView.firstAtOrAfter(Number(t));
    if (i >= 0) tdfView.scrollToEvent(i);
    return i;
  },
  // [first, last]: the indices of the events whose rows are on screen,
  // counted from 0 in trace order; [-1, -1] when none is.
  visibleEvents: function () { return tdfView.visibleRange(); },
  // Pixels per diagram unit on the time axis (1 at "1:1").
  zoom: function () { return tdfView.zoom; },
  // Where event i's row and shape are on screen, in client pixels:
  // {x, y}, x null for marks on the time axis.
  eventPoint: function (i) {
    var rect = tdfView.body.getBoundingClientRect(), x = tdfView.eventX(i);
    return {
      x: x === null ? null : rect.left + x - tdfView.left - GEOMETRY.axisWidth,
      y: rect.top + (tdfView.layout.y[i] - tdfView.top) * tdfView.zoom
    };
  }
};

function start() {
  var trace = loadTrace();
  var layout = buildLayout(trace);
  tdfView = new View(trace, layout);
  tdfView.bindControls();
  tdfView.bindInspection();
  document.getElementById('summary').textContent = trace.count
    ? trace.count + ' events, ' + timeText(trace, 0) + ' to ' + timeText(trace, trace.count - 1) + ', ' +
      trace.columns + ' columns'
    : 'no events';
  tdfView.resize();
  document.body.setAttribute('data-ready', 'yes');
  readyResolve(window.tdfView);
}

start();
