// finding.js: finding events and showing their details. The search
// matches whole labels (also where the drawing shortens them); "go to"
// takes a time or an event number; the pointer shows an event's details and
// a click keeps them, with the message's return (or the return's message)
// highlighted.

// The number of the events the search `terms` (search_terms.js) finds;
// the view's hits become them. An empty text clears the search. A served
// view asks the server: then a Promise of the number.
function search(view, terms) {
  view.terms = terms.text ? terms : null;
  view.hitEvent = -1;
  if (view.source) {
    view.hit = -1;
    return view.source.search(view.terms).then(function (answer) {
      view.hits = view.terms ? { length: answer.count } : null;
      view.update();
      return answer.count;
    });
  }
  var trace = view.trace, labels = trace.events.label, n = trace.count;
  if (!view.terms) {
    view.matched = null;
    view.hits = null;
    view.update();
    return 0;
  }
  var matched = new Uint8Array(trace.strings.length), any = false;
  for (var s = 0; s < trace.strings.length; ++s) {
    if (labelHolds(trace.strings[s], terms)) { matched[s] = 1; any = true; }
  }
  var hits = [], filtered = terms.kind || terms.instance !== null;
  if (any) {
    for (var i = 0; i < n; ++i) {
      if (labels[i] >= 0 && matched[labels[i]] && (!filtered || passesFilters(view, i, terms))) hits.push(i);
    }
  }
  view.matched = matched;
  view.hits = Int32Array.from(hits);
  view.hitSet = filtered ? new Set(hits) : null;
  view.hit = -1;
  view.update();
  return hits.length;
}

// Moves to the next (or previous) hit; its place among the hits (a
// Promise of it in a served view).
function nextHit(view, forward) {
  var hits = view.hits;
  if (view.source) {
    if (!hits || !hits.length) return Promise.resolve(-1);
    var from = view.hit >= 0 ? view.hitEvent : forward ? -1 : view.trace.total;
    var parameters = termsParameters(view.terms, 'text');
    parameters.from = from;
    parameters.direction = forward ? 'next' : 'previous';
    return askServer('search', parameters)
      .then(function (answer) {
        view.hit = answer.ordinal;
        view.hitEvent = answer.event;
        return Promise.resolve(centreOn(view, answer.event, answer)).then(function () { return answer.ordinal; });
      });
  }
  if (!hits || !hits.length) return -1;
  var at;
  if (view.hit >= 0) at = (view.hit + (forward ? 1 : hits.length - 1)) % hits.length;
  else at = forward ? 0 : hits.length - 1;
  view.hit = at;
  view.hitEvent = hits[at];
  centreOn(view, hits[at]);
  return at;
}

// The hits listed at a time, from the current one on.
var LISTED_HITS = 50;

// Lists the hits from the current one on (from the first without one),
// with their times and labels; a click goes to one.
function showHits(view) {
  var list = document.getElementById('hits-list');
  var rows = function (hits, firstOrdinal) {
    list.textContent = '';
    var table = document.createElement('table');
    hits.forEach(function (hit, k) {
      var row = table.insertRow();
      row.dataset.event = hit.event;
      if (hit.event === view.hitEvent) row.className = 'current';
      ['#' + (hit.event + 1), hit.time, hit.label].forEach(function (text) { row.insertCell().textContent = text; });
      row.addEventListener('click', function () {
        view.hit = firstOrdinal + k;
        view.hitEvent = hit.event;
        Promise.resolve(centreOn(view, hit.event)).then(function () { view.showCount(); showHits(view); },
                                                      showServedFailure);
      });
    });
    list.appendChild(table);
    if (!hits.length) list.textContent = view.terms ? 'No hits.' : 'Nothing searched for.';
  };
  if (!view.terms || !view.hits) return rows([], 0);
  var from = Math.max(0, view.hit);
  if (!view.source) {
    var trace = view.trace, labels = trace.events.label, hits = [];
    for (var k = from; k < Math.min(view.hits.length, from + LISTED_HITS); ++k) {
      var i = view.hits[k];
      hits.push({ event: i, time: timeText(trace, i), label: trace.strings[labels[i]] });
    }
    return rows(hits, from);
  }
  var parameters = termsParameters(view.terms, 'text');
  parameters.from = view.hit >= 0 ? view.hitEvent - 1 : -1;
  parameters.count = LISTED_HITS;
  return askServer('hits', parameters).then(function (answer) { rows(answer.hits, from); });
}

// Shows event `event` a third down the view, its shape in the middle;
// `known` as for View.reach.
function centreOn(view, event, known) {
  view.noteJump();
  view.selected = [event];
  return view.reach(event, function (y) { return y - view.height / view.zoom / 3; }, true, known);
}

// The first event at a time given as a number in the trace's unit or as
// the axis writes it, or at "#N", the Nth event; -1 when nothing matches.
// A served view asks the server: then a Promise of the event.
function eventForText(view, text) {
  var trace = view.trace;
  if (view.source) return askServer('time', { text: text }).then(function (place) { return place.event; });
  text = text.trim();
  var number = /^#\s*(\d+)$/.exec(text);
  if (number) return Math.min(trace.count, Math.max(1, Number(number[1]))) - 1;
  if (/^\d+(\.\d+)?$/.test(text)) return view.firstAtOrAfter(Number(text));
  if (trace.textTimes) {
    var index = trace.timeTexts.indexOf(text);
    if (index >= 0) {
      var texts = trace.events.timeText;
      for (var i = 0; i < texts.length; ++i) if (texts[i] === index) return i;
    }
  } else if (trace.timeUnit && text.endsWith(trace.timeUnit.trim())) {
    var plain = text.slice(0, text.length - trace.timeUnit.trim().length).trim();
    if (/^\d+$/.test(plain)) return view.firstAtOrAfter(Number(plain));
  }
  return -1;
}

// The event drawn under a point of the body, or -1.
function eventAt(view, px, py) {
  var layout = view.layout, painter = view.painter, events = view.trace.events, g = GEOMETRY;
  var y = view.yAt(py), x = px + view.left + g.axisWidth;
  var from = eventAtOrBelow(layout, y - 14 / view.zoom), to = Math.min(eventAtOrBelow(layout, y + 14 / view.zoom), from + 200);
  var best = -1, bestDistance = Infinity;
  for (var i = from; i < to; ++i) {
    var dy = Math.abs(layout.y[i] - y) * view.zoom, near;
    if (painter.isArrow(i)) {
      var ends = painter.arrowEnds(i);
      var right = Math.max(ends.fromX, ends.toX) + (ends.self ? g.selfWidth + 60 : 0);
      near = x >= Math.min(ends.fromX, ends.toX) - 6 && x <= right + 6;
    } else {
      var kind = events.kind[i];
      if (kind === KIND.THREAD || kind >= KIND.TRIGGER_START) near = px < 2 * g.columnWidth;
      else if (kind === KIND.LOOP_START || kind === KIND.LOOP_END || kind === KIND.DELETE_ALL) near = true;
      else {
        var ex = view.eventX(i);
        near = ex !== null && Math.abs(ex - x) < g.columnWidth / 2 + (kind === KIND.NOTE ? g.noteMaxWidth : 0);
      }
    }
    if (near && dy < 14 && dy < bestDistance) { best = i; bestDistance = dy; }
  }
  return best;
}

// The lifeline that last took a column at or before event i's row, or -1.
function lifelineAt(view, column, i) {
  var list = columnLines(view.layout, column);
  var k = lowerBound(list.tops, view.layout.y[i] + 1e-9) - 1;
  return k < 0 ? -1 : list[k];
}

// The instance that last took a column at or before event i's row, with
// its dynamic id.
function instanceName(view, column, i, edge) {
  if (column < 0) return edge ? 'World (hidden)' : '?';
  var line = lifelineAt(view, column, i), lines = view.trace.lifelines;
  if (line < 0) return '?';
  var name = view.trace.strings[lines.tooltip[line]], end = lines.end[line];
  // The format lets an instance take part after its deletion.
  return end >= 0 && end < globalIndex(view.trace, i) ? name + ' (deleted at #' + (end + 1) + ')' : name;
}

// A span of time in the trace's unit, as the details write it.
function spanText(trace, span) {
  return String(Math.abs(span)) + (trace.timeUnit || ' (trace unit)');
}

// The time between two events at hand.
function durationText(trace, from, to) {
  var time = trace.events.time;
  return spanText(trace, time[to] - time[from]);
}

// Rows of [name, value, copyable] describing event i.
function describe(view, i) {
  var trace = view.trace, events = trace.events, kind = events.kind[i], rows = [];
  var label = events.label[i] >= 0 ? trace.strings[events.label[i]] : '';
  rows.push(['event', '#' + (globalIndex(trace, i) + 1) + ' ' + (KIND_NAMES[kind] || 'event'), false]);
  if (label) rows.push(['label', label, true]);
  rows.push(['time', timeText(trace, i), true]);
  var f = events.flags[i];
  if (kind === KIND.MESSAGE || kind === KIND.RETURN) {
    rows.push(['from \u2192 to', instanceName(view, events.from[i], i, f & FLAG.FROM_EDGE) + ' \u2192 ' +
               instanceName(view, events.to[i], i, f & FLAG.TO_EDGE), true]);
  } else if (events.from[i] >= 0) {
    rows.push(['instance', instanceName(view, events.from[i], i, false), true]);
  }
  if (events.thread[i] >= 0) rows.push(['thread', trace.threadNames[events.thread[i]], true]);
  if (events.link[i] >= 0) rows.push(['source', trace.strings[events.link[i]], true]);
  // A served stretch carries the partners of its events too.
  var partner = events.partner[i], other = localIndex(trace, partner);
  if (other >= 0) {
    var what = kind === KIND.MESSAGE ? (events.kind[other] === KIND.RETURN ? 'until its return' : 'since its call')
             : kind === KIND.CALL ? 'until its completion' : 'since its message';
    rows.push(['duration', durationText(trace, i, other) + ' ' + what + ' (#' + (partner + 1) + ')', true]);
  } else if (kind === KIND.MESSAGE || kind === KIND.CALL) {
    rows.push(['duration', kind === KIND.CALL ? 'never completed' : 'no return', false]);
  }
  return rows;
}

function copyText(text) {
  if (navigator.clipboard && navigator.clipboard.writeText) {
    navigator.clipboard.writeText(text).catch(function () { copyBySelection(text); });
  } else {
    copyBySelection(text);
  }
}

function copyBySelection(text) {
  var area = document.createElement('textarea');
  area.value = text;
  document.body.appendChild(area);
  area.select();
  try { document.execCommand('copy'); } catch (e) { /* the text stays selectable */ }
  area.remove();
}

function showDetails(view, i, pinned, clientX, clientY) {
  var panel = document.getElementById('details');
  if (i < 0) {
    if (!view.pinned) panel.hidden = true;
    return;
  }
  if (view.pinned && !pinned) return;
  panel.textContent = '';
  var table = document.createElement('table');
  describe(view, i).forEach(function (row) {
    var tr = table.insertRow(), name = tr.insertCell(), value = tr.insertCell();
    name.textContent = row[0];
    value.textContent = row[1];
    if (row[2] && pinned) {
      var button = document.createElement('button');
      button.className = 'copy';
      button.textContent = 'copy';
      button.title = 'Copy to the clipboard';
      button.addEventListener('click', function () { copyText(row[1]); });
      tr.insertCell().appendChild(button);
    }
  });
  panel.appendChild(table);
  if (pinned) {
    detailActions(view, i).forEach(function (action) {
      var button = document.createElement('button');
      button.className = action[0];
      button.textContent = action[1];
      button.addEventListener('click', action[2]);
      panel.appendChild(button);
    });
    var close = document.createElement('button');
    close.textContent = 'Close';
    close.addEventListener('click', function () { unpin(view); });
    panel.appendChild(close);
  }
  panel.classList.toggle('pinned', !!pinned);
  panel.hidden = false;
  var x = Math.min(clientX + 16, window.innerWidth - panel.offsetWidth - 8);
  var y = Math.min(clientY + 16, window.innerHeight - panel.offsetHeight - 8);
  panel.style.left = Math.max(0, x) + 'px';
  panel.style.top = Math.max(0, y) + 'px';
}

// The buttons of pinned details: [class, text, action].
function detailActions(view, i) {
  var events = view.trace.events, event = globalIndex(view.trace, i), actions = [];
  var partner = events.partner[i], kind = events.kind[i];
  if (partner >= 0) {
    actions.push(['follow', 'Follow to #' + (partner + 1) + ' (F)', function () {
      Promise.resolve(follow(view, event)).catch(showServedFailure);
    }]);
  }
  actions.push(['bookmark', 'Bookmark', function () {
    var note = window.prompt('A note for the bookmark of event #' + (event + 1), '');
    if (note !== null) view.addBookmark(event, note);
  }]);
  if (kind === KIND.MESSAGE || kind === KIND.RETURN) {
    [['from', 'Sender\'s column'], ['to', 'Receiver\'s column']].forEach(function (end) {
      var column = events[end[0]][i];
      if (column >= 0) actions.push(['column-' + end[0], end[1], function () { view.showColumn(column); }]);
    });
  }
  return actions;
}

// Adds to the pinned details of event `to` the time since event `from`.
function showMeasure(view, from, to) {
  Promise.resolve(measure(view, from, to)).then(function (span) {
    var table = document.querySelector('#details table');
    if (!table || isNaN(span) || view.selected[0] !== from || view.selected[1] !== to) return;
    var row = table.insertRow();
    row.className = 'measure';
    row.insertCell().textContent = 'since #' + (from + 1);
    row.insertCell().textContent = (span < 0 ? '-' : '') + spanText(view.trace, span);
  }, showServedFailure);
}

function unpin(view) {
  view.pinned = false;
  view.selected = [];
  document.getElementById('details').hidden = true;
  view.update();
}

// Selects event i (of the data at hand) with its partner (a message's
// return or completing call, or the message of a return or call) and pins
// its details. With `measuring` (Shift and a click) and an event selected
// already, selects both and shows the time between them.
function select(view, i, clientX, clientY, measuring) {
  if (i < 0) { unpin(view); return; }
  var partner = view.trace.events.partner[i], event = globalIndex(view.trace, i);
  var first = measuring && view.pinned && view.selected.length ? view.selected[0] : -1;
  if (first >= 0 && first !== event) view.selected = [first, event];
  else view.selected = partner >= 0 ? [event, partner] : [event];
  view.pinned = false;
  showDetails(view, i, true, clientX, clientY);
  view.pinned = true;
  if (first >= 0 && first !== event) showMeasure(view, first, event);
  view.update();
}

View.prototype.bindInspection = function () {
  var self = this, body = this.body;
  var input = document.getElementById('search'), count = document.getElementById('search-count');
  var showCount = function () {
    if (!self.hits) count.textContent = '';
    else count.textContent = (self.hit >= 0 ? (self.hit + 1) + ' / ' : '') + self.hits.length;
  };
  // Answers may come later (from the server): each step waits for the one
  // before.
  var steps = Promise.resolve();
  var then = function (step) {
    steps = steps.then(step).then(function () {
      showCount();
      if (!hitsPanel.hidden) return showHits(self);
    }).catch(showServedFailure);
  };
  var caseBox = document.getElementById('search-case'), wordBox = document.getElementById('search-word');
  var kindBox = document.getElementById('search-kind'), instanceBox = document.getElementById('search-instance');
  Object.keys(KIND_NAMES).forEach(function (kind) {
    var option = document.createElement('option');
    option.value = kind;
    option.textContent = KIND_NAMES[kind];
    kindBox.appendChild(option);
  });
  // The box ignores case unless told otherwise.
  var boxTerms = function () {
    var instance = instanceBox.value.trim(), valid = /^\d*$/.test(instance);
    instanceBox.classList.toggle('invalid', !valid);
    return searchTerms(input.value, { caseSensitive: caseBox.checked, wholeWord: wordBox.checked,
                                      kind: Number(kindBox.value), instance: valid ? instance : '' });
  };
  var searchFor = function (terms) {
    return Promise.resolve(search(self, terms)).then(function () { self.matchedKey = termsKey(terms); });
  };
  var timer = 0;
  var searchSoon = function () {
    clearTimeout(timer);
    timer = setTimeout(function () {
      var terms = boxTerms();
      then(function () {
        return searchFor(terms).then(function () { if (self.hits && self.hits.length) return nextHit(self, true); });
      });
    }, 250);
  };
  input.addEventListener('input', searchSoon);
  [caseBox, wordBox, kindBox].forEach(function (box) { box.addEventListener('change', searchSoon); });
  instanceBox.addEventListener('input', searchSoon);
  input.addEventListener('keydown', function (event) {
    if (event.key !== 'Enter') return;
    clearTimeout(timer);
    var terms = boxTerms(), forward = !event.shiftKey;
    then(function () {
      return (self.matchedKey !== termsKey(terms) ? searchFor(terms) : Promise.resolve())
        .then(function () { return nextHit(self, forward); });
    });
  });
  document.getElementById('search-next').addEventListener('click', function () { then(function () { return nextHit(self, true); }); });
  document.getElementById('search-previous').addEventListener('click', function () { then(function () { return nextHit(self, false); }); });
  var options = document.getElementById('search-options');
  document.getElementById('search-options-button').addEventListener('click', function () { options.hidden = !options.hidden; });
  var hitsPanel = document.getElementById('hits');
  document.getElementById('hits-button').addEventListener('click', function () {
    hitsPanel.hidden = !hitsPanel.hidden;
    if (!hitsPanel.hidden) then(function () {});
  });
  document.getElementById('hits-close').addEventListener('click', function () { hitsPanel.hidden = true; });
  this.showCount = showCount;

  var go = document.getElementById('goto');
  var goTo = function () {
    Promise.resolve(eventForText(self, go.value)).then(function (i) {
      go.classList.toggle('invalid', i < 0);
      if (i >= 0) { self.noteJump(); self.selected = [i]; self.scrollToEvent(i); self.update(); }
    }, showServedFailure);
  };
  go.addEventListener('keydown', function (event) { if (event.key === 'Enter') goTo(); });
  document.getElementById('goto-button').addEventListener('click', goTo);

  // Drag pans; a click without a drag selects.
  var drag = null;
  body.addEventListener('mousedown', function (event) {
    if (event.button !== 0) return;
    drag = { x: event.clientX, y: event.clientY, moved: false };
    body.classList.add('dragging');
    event.preventDefault();
  });
  window.addEventListener('mousemove', function (event) {
    if (drag) {
      var dx = event.clientX - drag.x, dy = event.clientY - drag.y;
      if (Math.abs(dx) + Math.abs(dy) > 3 || drag.moved) {
        drag.moved = true;
        self.left -= dx;
        self.top -= dy / self.zoom;
        drag.x = event.clientX;
        drag.y = event.clientY;
        self.update();
      }
      return;
    }
    if (event.target !== self.canvas) return;
    var rect = body.getBoundingClientRect();
    showDetails(self, eventAt(self, event.clientX - rect.left, event.clientY - rect.top), false, event.clientX, event.clientY);
  });
  window.addEventListener('mouseup', function (event) {
    if (!drag) return;
    var clicked = !drag.moved;
    drag = null;
    body.classList.remove('dragging');
    if (clicked) {
      var rect = body.getBoundingClientRect();
      select(self, eventAt(self, event.clientX - rect.left, event.clientY - rect.top), event.clientX, event.clientY,
             event.shiftKey);
    }
  });
  body.addEventListener('mouseleave', function () { if (!self.pinned) document.getElementById('details').hidden = true; });

  var legend = document.getElementById('legend');
  document.getElementById('legend-button').addEventListener('click', function () { legend.hidden = !legend.hidden; });
  document.getElementById('legend-close').addEventListener('click', function () { legend.hidden = true; });
  // The bar is shown in the style the picture paints bars with.
  var bar = this.painter.barStyle(), barSwatch = document.getElementById('legend-bar');
  barSwatch.setAttribute('fill', bar.back);
  barSwatch.setAttribute('stroke', bar.line);
  // A click on a thread shows it alone, the others dimmed; another click
  // shows them all again.
  var threads = document.getElementById('legend-threads');
  this.trace.threadNames.forEach(function (name, k) {
    var item = document.createElement('span');
    item.className = 'thread';
    item.dataset.thread = k;
    item.title = 'Show this thread alone';
    item.addEventListener('click', function () {
      self.onlyThread = self.onlyThread === k ? -1 : k;
      Array.from(threads.querySelectorAll('.thread')).forEach(function (other) {
        other.classList.toggle('dimmed', self.onlyThread >= 0 && Number(other.dataset.thread) !== self.onlyThread);
      });
      self.update();
    });
    var swatch = document.createElement('i');
    swatch.style.background = self.trace.threadColors[k];
    item.appendChild(swatch);
    item.appendChild(document.createTextNode(name));
    threads.appendChild(item);
  });
  if (this.trace.threadNames.length) threads.insertBefore(document.createTextNode('Threads: '), threads.firstChild);
};
