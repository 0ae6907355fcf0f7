// loop_band.js: the loops open above the view, named in one band over its
// top, outermost first: each with its count, a click goes to its start.
// A deep nesting shows its innermost loops and how many more are outside.

var BAND_LOOPS = 6;          // loops named; the outer ones beyond are counted
var CRUMB_CHARACTERS = 30;   // longer names lose their middle, not their count

function crumbText(label) {
  if (label.length <= CRUMB_CHARACTERS) return label;
  var keep = (CRUMB_CHARACTERS - 1) / 2;
  return label.slice(0, Math.ceil(keep)) + '\u2026' + label.slice(label.length - Math.floor(keep));
}

View.prototype.placeLoopBand = function (open) {
  var band = document.getElementById('loop-band'), trace = this.trace, self = this;
  var starts = open.map(function (loop) { return trace.loops.start[loop]; });
  var key = starts.join(',');
  if (key === band.dataset.loops) return;
  band.dataset.loops = key;
  band.textContent = '';
  band.hidden = !open.length;
  var crumb = function (text, title, start) {
    var item = document.createElement('span');
    item.className = 'crumb';
    item.textContent = text;
    item.title = title;
    item.dataset.start = start;
    item.addEventListener('click', function () {
      Promise.resolve(self.scrollToEvent(start)).catch(showServedFailure);
    });
    if (band.childNodes.length) band.appendChild(document.createTextNode(' \u203a '));
    band.appendChild(item);
  };
  var hidden = Math.max(0, open.length - BAND_LOOPS);
  if (hidden) crumb('\u2026 ' + hidden + ' outer', 'Go to the start of the outermost loop', starts[0]);
  open.slice(hidden).forEach(function (loop, k) {
    var label = trace.strings[trace.loops.label[loop]];
    crumb(crumbText(label), label + ' (depth ' + (hidden + k + 1) + '): go to its start', starts[hidden + k]);
  });
};
