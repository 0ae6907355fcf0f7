// data.js: the trace data the page carries, decoded into typed arrays.
// Each number column is base64 text of zigzag base-128 numbers (see
// html_number_column.h); a delta column holds differences.

var KIND = {
  MESSAGE: 1, CALL: 2, RETURN: 3, INSTANCE: 4, DELETE: 5, DELETE_ALL: 6, NOTE: 7, GLYPH: 8,
  SYNCHRONISATION: 9, ACTION: 10, LOOP_START: 11, LOOP_END: 12, THREAD: 14, TRIGGER_START: 16,
  TRIGGER_STOP: 17, EXTERNAL_TRIGGER: 18
};
var KIND_NAMES = {
  1: 'message', 2: 'call', 3: 'return', 4: 'instance creation', 5: 'instance deletion',
  6: 'deletion of all instances', 7: 'note', 8: 'glyph', 9: 'synchronisation', 10: 'action',
  11: 'loop start', 12: 'loop end', 14: 'thread change', 16: 'trigger start', 17: 'trigger stop',
  18: 'external trigger'
};
var FLAG = { COMPLETES_CALL: 1, FROM_EDGE: 2, TO_EDGE: 4, ALARM: 8, NOT_COMPLETED: 16 };

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

function decodeTable(table) {
  var out = {};
  Object.keys(table).forEach(function (name) {
    out[name] = decodeNumbers(table[name], name === 'time' || name === 'timeText', name === 'time');
  });
  return out;
}

function loadTrace() {
  var raw = JSON.parse(document.getElementById('trace-data').textContent);
  var trace = {
    count: raw.count,
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
    timeUnit: raw.timeUnit,
    events: decodeTable(raw.events),
    lifelines: decodeTable(raw.lifelines),
    bars: decodeTable(raw.bars),
    loops: decodeTable(raw.loops)
  };
  trace.lifelineCount = trace.lifelines.column.length;
  trace.barCount = trace.bars.lifeline.length;
  trace.loopCount = trace.loops.start.length;
  // Where each synchronisation's members start in the members column.
  var members = trace.events.members, kinds = trace.events.kind;
  trace.memberStart = new Int32Array(raw.count).fill(-1);
  for (var i = 0, at = 0; i < raw.count; ++i) {
    if (kinds[i] !== KIND.SYNCHRONISATION) continue;
    trace.memberStart[i] = at;
    at += 1 + members[at];
  }
  return trace;
}

// The time as the axis shows it.
function timeText(trace, index) {
  if (trace.timeTexts.length) return trace.timeTexts[trace.events.timeText[index]];
  return String(trace.events.time[index]) + trace.timeUnit;
}
