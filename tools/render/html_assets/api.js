// api.js: starts the page and exposes window.tdfView, the interface that
// automated tests use (documented in the README; keep it stable). A page
// that carries its trace answers at once; a served page asks the server
// where an answer needs the whole trace, and then returns a Promise.

var readyResolve;
var ready = new Promise(function (resolve) { readyResolve = resolve; });
var tdfView = null;
var pageMode = document.getElementById('trace-data') ? 'file' : 'served';

window.tdfView = {
  // Resolved once the page is interactive.
  ready: ready,
  // "file": the page carries the trace; "served": tdftool view serves it.
  mode: pageMode,
  // The number of traces the page shows, one after another: the file's
  // new-trace statements plus one.
  traces: function () { return tdfView.trace.traces; },
  // The number of lifeline columns (the world actor's included).
  columns: function () { return tdfView.trace.columns; },
  // The number of events whose label contains `text`; the view moves to
  // the first of them. Options: caseSensitive (true unless false),
  // wholeWord, kind (a kind's number or name, such as "message") and
  // instance (the dynamic id of a sender or receiver). Served: a Promise.
  find: function (text, options) {
    var counted = search(tdfView, searchTerms(text, options));
    if (!tdfView.source) {
      if (counted) nextHit(tdfView, true);
      return counted;
    }
    return counted.then(function (count) {
      return count ? nextHit(tdfView, true).then(function () { return count; }) : count;
    });
  },
  // Scrolls to the first event (in trace order) at or after time t, in the
  // trace's unit; returns its index, or -1 when there is none. Served: a
  // Promise, resolved once the view shows it.
  goToTime: function (t) {
    if (!tdfView.source) {
      var i = tdfView.firstAtOrAfter(Number(t));
      if (i >= 0) tdfView.scrollToEvent(i);
      return i;
    }
    return askServer('time', { t: Number(t) }).then(function (place) {
      return place.event < 0 ? -1 : tdfView.scrollToEvent(place.event, place).then(function () { return place.event; });
    });
  },
  // [first, last]: the indices of the events whose rows are on screen,
  // counted from 0 in trace order; [-1, -1] when none is.
  visibleEvents: function () {
    var range = tdfView.visibleRange(), trace = tdfView.trace;
    return range[0] < 0 ? range : [globalIndex(trace, range[0]), globalIndex(trace, range[1])];
  },
  // Pixels per diagram unit on the time axis (1 at "1:1").
  zoom: function () { return tdfView.zoom; },
  // Where event i's row and shape are on screen, in client pixels:
  // {x, y}, x null for marks on the time axis; null in a served page when
  // the event is not among those around the view.
  eventPoint: function (event) {
    var i = localIndex(tdfView.trace, event);
    if (i < 0) return null;
    var rect = tdfView.body.getBoundingClientRect(), x = tdfView.eventX(i);
    return {
      x: x === null ? null : rect.left + x - tdfView.left - GEOMETRY.axisWidth,
      y: rect.top + (tdfView.layout.y[i] - tdfView.top) * tdfView.zoom
    };
  },
  // From event i to the event it leads to (a message's return or
  // completing call, a return's or call's message): the view shows and
  // selects it; its index, or -1. Served: a Promise.
  follow: function (i) { return follow(tdfView, Number(i)); },
  // The time from event i to event j in the trace's unit, negative when j
  // comes first; NaN when the trace lacks one. Served: a Promise.
  measure: function (i, j) { return measure(tdfView, Number(i), Number(j)); },
  // The URL fragment (without "#") that puts a view of this trace where
  // this one is: top, zoom, left and selection.
  position: function () { return positionText(tdfView); },
  // Puts the view where a position() text says. Served: a Promise,
  // resolved once the view shows it.
  setPosition: function (text) { return tdfView.setPosition(String(text)); },
  // What the reading reported, as the Problems panel lists it: [{file,
  // line, severity ("error" or "warning"), message, event}], line null
  // where not known, event the index of the event it comes before (null
  // when none of the page's does).
  problems: function () {
    return tdfView.trace.problems.map(function (p) {
      return { file: p.file, line: p.line, severity: p.severity, message: p.message, event: p.event };
    });
  },
  // Resolved once the events around the view are at hand (at once in a
  // page that carries its trace).
  idle: function () { return tdfView.source ? tdfView.source.idle(tdfView) : Promise.resolve(); }
};

function startView(trace, layout, source) {
  tdfView = new View(trace, layout, source);
  tdfView.bindControls();
  tdfView.bindInspection();
  tdfView.bindProblems();
  tdfView.bindBookmarks();
  tdfView.bindPosition();
  tdfView.resize();
}

function summaryText(count, first, last, columns, traces) {
  if (!count) return 'no events';
  return count + ' events' + (traces > 1 ? ' in ' + traces + ' traces' : '') + ', ' + first + ' to ' + last + ', ' +
         columns + ' columns';
}

function startFile() {
  loadTrace(function (trace) {
    document.getElementById('summary').textContent =
      summaryText(trace.count, trace.count && timeText(trace, 0), trace.count && timeText(trace, trace.count - 1),
                  trace.columns, trace.traces);
    startView(trace, buildLayout(trace), null);
    tdfView.setPosition(location.hash);
    document.getElementById('loading').hidden = true;
    document.body.setAttribute('data-ready', 'yes');
    readyResolve(window.tdfView);
  });
}

// A served page waits for the server to have read the trace, showing how
// far it is, then asks for the rows at the top.
function startServed() {
  var summary = document.getElementById('summary');
  var meta = function () {
    return askServer('meta').then(function (answer) {
      if (answer.ready) return answer;
      showLoading('Reading the trace: ' + Math.floor(100 * (answer.progress || 0)) + '%', answer.progress || 0);
      return new Promise(function (resolve) { setTimeout(resolve, 300); }).then(meta);
    });
  };
  meta().then(function (answer) {
    var source = new ServedSource(answer), body = document.getElementById('body');
    document.getElementById('caption').textContent = answer.caption;
    document.title = answer.title;
    var first = { top: 0, zoom: 1, left: 0, width: body.clientWidth, height: body.clientHeight };
    var request = source.wanted(first);
    return askServer('window', { top: request.top, bottom: request.bottom, step: request.step,
                                 left: request.left, right: request.right }).then(function (raw) {
      var trace = servedTrace(answer, raw, source.texts), layout = servedLayout(trace, answer);
      source.kept.push({ request: request, trace: trace, layout: layout });
      summary.textContent = summaryText(answer.count, answer.firstTime, answer.lastTime, answer.columns, answer.traces);
      startView(trace, layout, source);
      return tdfView.setPosition(location.hash);
    });
  }).then(function () {
    document.getElementById('loading').hidden = true;
    document.body.setAttribute('data-ready', 'yes');
    readyResolve(window.tdfView);
  }, showServedFailure);
}

if (pageMode === 'file') startFile(); else startServed();
