// data.js: the trace data the page carries, decoded into typed arrays.
// Each number column is base64 text of zigzag base-128 numbers (see
// html_number_column.h); a delta column holds differences.

var KIND = {
  MESSAGE: 1, CALL: 2, RETURN: 3, INSTANCE: 4, DELETE: 5, DELETE_ALL: 6, NOTE: 7, GLYPH: 8,
  SYNCHRONISATION: 9, ACTION: 10, LOOP_START: 11, LOOP_END: 12, THREAD: 14, NEW_TRACE: 15, TRIGGER_START: 16,
  TRIGGER_STOP: 17, EXTERNAL_TRIGGER: 18
};
var KIND_NAMES = {
  1: 'message', 2: 'call', 3: 'return', 4: 'instance creation', 5: 'instance deletion',
  6: 'deletion of all instances', 7: 'note', 8: 'glyph', 9: 'synchronisation', 10: 'action',
  11: 'loop start', 12: 'loop end', 14: 'thread change', 15: 'new trace', 16: 'trigger start', 17: 'trigger stop',
  18: 'external trigger'
};
// HIT: a served event whose label the current search matches.
var FLAG = { COMPLETES_CALL: 1, FROM_EDGE: 2, TO_EDGE: 4, ALARM: 8, NOT_COMPLETED: 16, HIT: 32 };

function decodeBytes(base64) {
  var text = atob(base64);
  var bytes = new Uint8Array(text.length);
  for (var i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
  return bytes;
}

// The numbers of a column, into an Int32Array, or a Float64Array when
// `wide` (times).
function decodeNumbers(base64, delta, wide) {
  var bytes = decodeBytes(base64);
  var count = 0;
  for (var k = 0; k < bytes.length; ++k) if (!(bytes[k] & 0x80)) ++count;
  var out = wide ? new Float64Array(count) : new Int32Array(count);
  var previous = 0, n = 0, i = 0;
  while (n < count) {
    var value = 0, scale = 1, byte;
    do {
      byte = bytes[i++];
      value += (byte & 0x7f) * scale;
      scale *= 128;
    } while (byte & 0x80);
    // Zigzag: even numbers are positive, odd ones negative.
    var number = (value % 2 === 0) ? value / 2 : -(value + 1) / 2;
    if (delta) number += previous;
    previous = number;
    out[n++] = number;
  }
  return out;
}

// Columns of numbers that may pass 2^31 (times, ys, ids, event indices),
// and those carried as differences.
var WIDE_COLUMNS = { time: 1, index: 1, y: 1, top: 1, bottom: 1, after: 1, id: 1 };

function decodeTable(table, deltas) {
  var out = {};
  Object.keys(table).forEach(function (name) {
    out[name] = decodeNumbers(table[name], deltas.indexOf(name) >= 0, WIDE_COLUMNS[name] === 1);
  });
  return out;
}

// Where each synchronisation's members start in the members column.
function indexMembers(trace) {
  var members = trace.events.members, kinds = trace.events.kind;
  trace.memberStart = new Int32Array(trace.count).fill(-1);
  for (var i = 0, at = 0; i < trace.count; ++i) {
    if (kinds[i] !== KIND.SYNCHRONISATION) continue;
    trace.memberStart[i] = at;
    at += 1 + members[at];
  }
}

// Shows how far the loading is: `share` from 0 to 1, or null for not known.
function showLoading(text, share) {
  document.getElementById('loading-text').textContent = text;
  var bar = document.getElementById('loading-bar');
  if (share === null) bar.removeAttribute('value'); else bar.value = share;
}

// Hands the whole trace, as a page of a file carries it, to `done`. The
// columns are decoded one at a time, with the progress shown between them.
function loadTrace(done) {
  var raw = JSON.parse(document.getElementById('trace-data').textContent);
  var trace = {
    count: raw.count,
    total: raw.count,
    traces: raw.traces,
    columns: raw.columns,
    world: raw.world,
    title: raw.title,
    caption: raw.caption,
    strings: raw.strings,
    styles: raw.styles,
    barStyle: raw.barStyle,
    threadNames: raw.threadNames,
    threadColors: raw.threadColors,
    timeTexts: raw.timeTexts,
    textTimes: raw.timeTexts.length > 0,
    timeUnit: raw.timeUnit,
    problems: raw.problems,
    problemCount: raw.problemCount,
    problemEvents: sortedProblemEvents(raw.problems),
    events: {}, lifelines: {}, bars: {}, loops: {}
  };
  var steps = [];
  ['events', 'lifelines', 'bars', 'loops'].forEach(function (table) {
    var deltas = table === 'events' ? ['time', 'timeText'] : [];
    Object.keys(raw[table]).forEach(function (name) {
      steps.push(function () {
        var one = {};
        one[name] = raw[table][name];
        trace[table][name] = decodeTable(one, deltas)[name];
        raw[table][name] = null;  // the text is no longer needed
      });
    });
  });
  var step = function (k) {
    if (k === steps.length) {
      trace.lifelineCount = trace.lifelines.column.length;
      trace.barCount = trace.bars.lifeline.length;
      trace.loopCount = trace.loops.start.length;
      indexMembers(trace);
      done(trace);
      return;
    }
    steps[k]();
    showLoading('Decoding the trace\u2026', (k + 1) / steps.length);
    setTimeout(function () { step(k + 1); }, 0);
  };
  showLoading('Decoding the trace\u2026', 0);
  setTimeout(function () { step(0); }, 0);
}

// A stretch of a served trace (see served.js), read as the painter reads
// a whole one: its events are counted from the stretch's first, and
// `index` gives each one's number in the trace. `texts` keeps the texts
// of every stretch seen.
function servedTrace(meta, raw, texts) {
  Object.keys(raw.strings).forEach(function (id) { texts.strings[id] = raw.strings[id]; });
  Object.keys(raw.timeTexts).forEach(function (id) { texts.timeTexts[id] = raw.timeTexts[id]; });
  var spans = ['top', 'bottom'];
  var trace = {
    count: raw.count,
    total: meta.count,
    traces: meta.traces,
    sampled: raw.sampled,
    columns: meta.columns,
    world: meta.world,
    title: meta.title,
    caption: meta.caption,
    strings: texts.strings,
    styles: meta.styles,
    barStyle: meta.barStyle,
    threadNames: meta.threadNames,
    threadColors: meta.threadColors,
    timeTexts: texts.timeTexts,
    textTimes: meta.textTimes,
    timeUnit: meta.timeUnit,
    problems: meta.problems,
    problemCount: meta.problemCount,
    problemEvents: meta.problemEvents || (meta.problemEvents = sortedProblemEvents(meta.problems)),
    events: decodeTable(raw.events, ['index', 'time', 'y', 'timeText']),
    lifelines: decodeTable(raw.lifelines, spans.concat(['after'])),
    bars: decodeTable(raw.bars, spans),
    loops: decodeTable(raw.loops, spans)
  };
  trace.index = trace.events.index;
  trace.lifelineCount = trace.lifelines.column.length;
  trace.barCount = trace.bars.column.length;
  trace.loopCount = trace.loops.id.length;
  indexMembers(trace);
  return trace;
}

// An event's number in the trace, from its place in the data at hand.
function globalIndex(trace, i) { return trace.index ? trace.index[i] : i; }

// The place of the trace's event `event` in the data at hand, or -1.
function localIndex(trace, event) {
  if (!trace.index) return event >= 0 && event < trace.count ? event : -1;
  var i = lowerBound(trace.index, event);
  return i < trace.count && trace.index[i] === event ? i : -1;
}

// The time as the axis shows it.
function timeText(trace, index) {
  if (trace.textTimes) return trace.timeTexts[trace.events.timeText[index]];
  return String(trace.events.time[index]) + trace.timeUnit;
}
