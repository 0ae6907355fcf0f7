// served.js: the page of a trace that `tdftool view` serves holds only
// what is around the view. It asks the server for stretches of rows (with
// a screen above and below, a few kept, the next one fetched ahead while
// scrolling), the overview's density, searches and where times and events
// are; every request carries the page's token.

var SERVED_KEPT = 6;            // stretches kept for going back
var SERVED_MARGIN = 1;          // screens of rows above and below the view
var SERVED_COLUMN_MARGIN = 16;  // columns left and right of it

function servedToken() {
  return new URLSearchParams(window.location.search).get('token') || '';
}

// The answer of an endpoint, as a Promise of its JSON.
function askServer(endpoint, parameters) {
  var query = Object.keys(parameters || {}).map(function (name) {
    return encodeURIComponent(name) + '=' + encodeURIComponent(parameters[name]);
  }).join('&');
  return fetch('api/' + endpoint + (query ? '?' + query : ''), {
    credentials: 'same-origin', headers: { 'X-Tdf-Token': servedToken() }
  }).then(function (response) {
    return response.json().then(function (body) {
      if (!response.ok) throw new Error(endpoint + ': ' + (body.error || response.status));
      return body;
    });
  });
}

function ServedSource(meta) {
  this.meta = meta;
  this.texts = { strings: [], timeTexts: [] };
  this.kept = [];        // {request, trace, layout}, the newest last
  this.pending = null;   // the request on its way
  this.waiters = [];
  this.terms = null;  // of the search whose hits the stretches mark
  this.failure = null;
}

// The stretch a view at this place and zoom wants.
ServedSource.prototype.wanted = function (view) {
  var g = GEOMETRY, span = view.height / view.zoom, columns = this.meta.columns;
  var left = view.left + g.axisWidth - g.firstColumnX;
  return {
    top: Math.max(0, view.top - SERVED_MARGIN * span),
    bottom: Math.min(this.meta.height, view.top + (1 + SERVED_MARGIN) * span),
    step: 1 / view.zoom,
    left: Math.max(0, Math.floor(left / g.columnWidth) - SERVED_COLUMN_MARGIN),
    right: Math.max(0, Math.min(columns - 1, Math.ceil((left + view.width) / g.columnWidth) + SERVED_COLUMN_MARGIN)),
    find: termsKey(this.terms)
  };
};

// How well a kept stretch serves the view: 2 with room to scroll, 1 when
// the view nears its edge, 0 when it does not cover the view.
ServedSource.prototype.fit = function (entry, view) {
  var r = entry.request, want = this.wanted(view), span = view.height / view.zoom;
  var top = Math.max(0, view.top), bottom = Math.min(this.meta.height, view.top + span);
  if (r.find !== termsKey(this.terms) || r.top > top + 1e-6 || r.bottom < bottom - 1e-6) return 0;
  if (r.left > want.left + SERVED_COLUMN_MARGIN || r.right < want.right - SERVED_COLUMN_MARGIN) return 0;
  if (entry.trace.sampled && (r.step > 2 / view.zoom || r.step < 0.5 / view.zoom)) return 0;
  var roomAbove = r.top <= 0 || r.top < top - span / 3, roomBelow = r.bottom >= this.meta.height || r.bottom > bottom + span / 3;
  return roomAbove && roomBelow ? 2 : 1;
};

// Called at every drawing: puts the best kept stretch in the view, asks
// for a better one when the view needs it, and tells those waiting once
// the view is served.
ServedSource.prototype.serve = function (view) {
  var best = null, bestFit = 0, self = this;
  this.kept.forEach(function (entry) {
    var fit = self.fit(entry, view);
    if (fit >= bestFit && fit > 0) { best = entry; bestFit = fit; }
  });
  if (best && view.trace !== best.trace) {
    view.useData(best.trace, best.layout);
    view.update();
  }
  if (bestFit < 2) this.ask(view);
  if (best && !this.pending) {
    var waiting = this.waiters;
    this.waiters = [];
    waiting.forEach(function (resolve) { resolve(); });
  }
};

ServedSource.prototype.ask = function (view) {
  // The answer's drawing asks again if the view has moved on meanwhile.
  if (this.pending) return;
  var self = this, request = this.wanted(view);
  var parameters = this.terms ? termsParameters(this.terms, 'find') : {};
  ['top', 'bottom', 'step', 'left', 'right'].forEach(function (name) { parameters[name] = request[name]; });
  this.pending = askServer('window', parameters).then(function (raw) {
    self.failure = null;
    var trace = servedTrace(self.meta, raw, self.texts);
    self.kept.push({ request: request, trace: trace, layout: servedLayout(trace, self.meta) });
    if (self.kept.length > SERVED_KEPT) self.kept.shift();
  }, function (error) {
    self.failure = error;
    showServedFailure(error);
  }).then(function () {
    self.pending = null;
    if (self.failure) {
      // Nothing better will come: those waiting see the view as it is.
      var waiting = self.waiters;
      self.waiters = [];
      waiting.forEach(function (resolve) { resolve(); });
      return;
    }
    view.update();
  });
};

// Keeps `promise` (a move of the view that asks the server first) until
// it settles: idle() waits for it too.
ServedSource.prototype.track = function (promise) {
  var moves = this.moves || (this.moves = new Set()), forget = function () { moves.delete(promise); };
  moves.add(promise);
  promise.then(forget, forget);
  return promise;
};

// Resolves once the view's rows are at hand, after the moves on their way.
ServedSource.prototype.idle = function (view) {
  var self = this;
  if (this.moves && this.moves.size) {
    var again = function () { return self.idle(view); };
    return Promise.all(Array.from(this.moves)).then(again, again);
  }
  var current = this.kept.filter(function (entry) { return entry.trace === view.trace; })[0];
  if (current && !this.pending && this.fit(current, view) > 0) return Promise.resolve();
  return new Promise(function (resolve) {
    self.waiters.push(resolve);
    view.update();
  });
};

// Searches for `terms` (null for none): the stretches asked for from now
// on mark its hits.
ServedSource.prototype.search = function (terms) {
  this.terms = terms;
  if (!terms) return Promise.resolve({ count: 0, event: -1, ordinal: -1 });
  var parameters = termsParameters(terms, 'text');
  parameters.from = -1;
  return askServer('search', parameters);
};

function showServedFailure(error) {
  console.error(error);
  var summary = document.getElementById('summary');
  if (summary) summary.textContent = 'the server did not answer: ' + error.message;
}
