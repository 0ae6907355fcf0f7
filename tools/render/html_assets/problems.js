// problems.js: what the reading of the trace reported. The toolbar counts
// the problems, a panel lists them (a click goes to the row after each)
// and the axis marks the rows they come before.

// "3 problems", or "" for none.
function problemCountText(count) {
  return count ? count + (count === 1 ? ' problem' : ' problems') : '';
}

// The events the problems come before, sorted.
function sortedProblemEvents(problems) {
  return Float64Array.from(problems
    .map(function (problem) { return problem.event; })
    .filter(function (event) { return event !== null; }))
    .sort();
}

function problemPlace(problem) {
  return problem.file + (problem.line ? ':' + problem.line : '');
}

View.prototype.bindProblems = function () {
  var self = this, trace = this.trace, button = document.getElementById('problems-button');
  var panel = document.getElementById('problems'), list = document.getElementById('problems-list');
  button.textContent = problemCountText(trace.problemCount);
  button.hidden = !trace.problemCount;
  button.addEventListener('click', function () { panel.hidden = !panel.hidden; });
  document.getElementById('problems-close').addEventListener('click', function () { panel.hidden = true; });
  var table = document.createElement('table');
  trace.problems.forEach(function (problem) {
    var row = table.insertRow();
    row.className = problem.severity;
    [problemPlace(problem), problem.severity, problem.message].forEach(function (text) {
      row.insertCell().textContent = text;
    });
    if (problem.event === null) return;
    row.classList.add('reachable');
    row.title = 'Go to event #' + (problem.event + 1);
    row.addEventListener('click', function () {
      self.noteJump();
      self.selected = [problem.event];
      Promise.resolve(self.scrollToEvent(problem.event)).then(function () { self.update(); }, showServedFailure);
    });
  });
  list.appendChild(table);
  var more = trace.problemCount - trace.problems.length;
  if (more > 0) {
    var note = document.createElement('p');
    note.textContent = 'and ' + more + ' more: tdftool check lists every one';
    list.appendChild(note);
  }
};

// Marks on the axis at the rows of `list` (events at hand) that a problem
// comes before.
Painter.prototype.paintProblemMarks = function (ctx, v, list) {
  var events = this.trace.problemEvents;
  if (!events.length) return;
  var layout = this.layout, trace = this.trace;
  ctx.fillStyle = COLORS.problem;
  list.forEach(function (i) {
    var event = globalIndex(trace, i), at = lowerBound(events, event);
    if (at === events.length || events[at] !== event) return;
    var y = (layout.y[i] - v.top) * v.zoom;
    ctx.beginPath();
    ctx.moveTo(2, y - 6); ctx.lineTo(12, y); ctx.lineTo(2, y + 6);
    ctx.closePath();
    ctx.fill();
  });
};
