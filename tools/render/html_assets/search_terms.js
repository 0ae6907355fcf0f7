// search_terms.js: what a search looks for. A label holds the text (case
// sensitive or not; anywhere, or as a whole word: no letter, digit or '_'
// next to it), and the event may have to be of one kind or to go from or to
// one instance (by its dynamic id). The server matches labels by the same
// rules.

var WORD_CHARACTER = /[\p{L}\p{N}_]/u;

// The terms of `text` with the options of window.tdfView.find: kind a
// number of KIND or a name of KIND_NAMES, instance a dynamic id.
function searchTerms(text, options) {
  options = options || {};
  var kind = Number(options.kind) || 0;
  if (!kind && options.kind) {
    Object.keys(KIND_NAMES).forEach(function (k) { if (KIND_NAMES[k] === options.kind) kind = Number(k); });
  }
  var instance = options.instance;
  return {
    text: String(text),
    caseSensitive: options.caseSensitive !== false,
    wholeWord: !!options.wholeWord,
    kind: kind,
    instance: instance === undefined || instance === null || instance === '' ? null : Number(instance)
  };
}

// The same search, as a key to tell searches apart.
function termsKey(terms) { return terms ? JSON.stringify(terms) : ''; }

function labelHolds(label, terms) {
  var text = terms.caseSensitive ? terms.text : terms.text.toLowerCase();
  var haystack = terms.caseSensitive ? label : label.toLowerCase();
  if (!terms.wholeWord) return haystack.indexOf(text) >= 0;
  for (var at = haystack.indexOf(text); at >= 0; at = haystack.indexOf(text, at + 1)) {
    var end = at + text.length;
    if ((at === 0 || !WORD_CHARACTER.test(haystack[at - 1])) &&
        (end === haystack.length || !WORD_CHARACTER.test(haystack[end]))) return true;
  }
  return false;
}

// Whether event i, whose label holds the text, passes the kind and the
// instance the terms ask for.
function passesFilters(view, i, terms) {
  var events = view.trace.events;
  if (terms.kind && events.kind[i] !== terms.kind) return false;
  if (terms.instance === null) return true;
  var lines = view.trace.lifelines;
  return [events.from[i], events.to[i]].some(function (column) {
    var line = column >= 0 ? lifelineAt(view, column, i) : -1;
    return line >= 0 && lines.id[line] === terms.instance;
  });
}

// The query parameters of a search, its text named `textName`.
function termsParameters(terms, textName) {
  var parameters = {};
  parameters[textName] = terms.text;
  parameters['case'] = terms.caseSensitive ? 1 : 0;
  if (terms.wholeWord) parameters.word = 1;
  if (terms.kind) parameters.kind = terms.kind;
  if (terms.instance !== null) parameters.instance = terms.instance;
  return parameters;
}
