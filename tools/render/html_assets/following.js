// following.js: from an event to the other end of its arrow (a message's
// return or completing call, a return's or call's message) and the time
// between two events. What a served page lacks it asks the server for:
// then the answers are Promises.

// Facts of event `event` (its number in the trace): {time, partner}.
function eventFacts(view, event) {
  var trace = view.trace, i = localIndex(trace, event);
  if (i >= 0) return { time: trace.events.time[i], partner: trace.events.partner[i] };
  if (!view.source) return null;
  return askServer('locate', { event: event }).then(function (place) {
    return place.event < 0 ? null : { time: place.time, partner: place.partner };
  });
}

// Calls `done` with the value, at once or once a Promise gives it.
function whenKnown(value, done) {
  return value && typeof value.then === 'function' ? value.then(done) : done(value);
}

// Moves the view to the event that event `event` leads to and selects
// both; that event's number, or -1 when it leads nowhere.
function follow(view, event) {
  if (!(event >= 0 && event < view.trace.total)) return view.source ? Promise.resolve(-1) : -1;
  return whenKnown(eventFacts(view, event), function (facts) {
    var other = facts ? facts.partner : -1;
    if (other < 0) return -1;
    return whenKnown(centreOn(view, other), function () {
      view.selected = [other, event];
      view.update();
      return other;
    });
  });
}

// The time from event `from` to event `to`, in the trace's unit (negative
// when `to` comes first); NaN for an event the trace lacks.
function measure(view, from, to) {
  var a = eventFacts(view, from), b = eventFacts(view, to);
  var difference = function (pair) {
    return pair[0] && pair[1] ? pair[1].time - pair[0].time : NaN;
  };
  if (!view.source) return difference([a, b]);
  return Promise.all([a, b]).then(difference);
}

// Scrolls sideways so that column `column` is in the middle of the view.
View.prototype.showColumn = function (column) {
  this.left = columnX(column) - GEOMETRY.axisWidth - this.width / 2;
  this.update();
};
