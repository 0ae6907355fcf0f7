// position.js: where the view is (its top, zoom, left and selection) as
// the URL's fragment, "#top=Y&zoom=Z&left=X&sel=I,J", kept up to date as
// the view moves. Jumps (a search hit, going to a time or an event,
// following an arrow) add a history entry, so that Back and Forward
// return to each place; a link with the fragment reopens the view there.

var POSITION_DELAY = 250;  // ms of quiet before the fragment follows the view

function positionText(view) {
  var parts = ['top=' + view.top, 'zoom=' + view.zoom, 'left=' + Math.round(view.left)];
  if (view.selected.length) parts.push('sel=' + view.selected.join(','));
  return parts.join('&');
}

// The place a fragment names, or null when it names none.
function parsePosition(text) {
  var place = { selected: [] }, any = false;
  String(text).replace(/^#/, '').split('&').forEach(function (part) {
    var pair = part.split('='), value = pair[1];
    if (pair[0] === 'sel') {
      place.selected = (value || '').split(',').map(Number).filter(function (n) { return n >= 0 && n % 1 === 0; });
      any = true;
      return;
    }
    var number = Number(value);
    if (value === undefined || value === '' || !isFinite(number)) return;
    if (pair[0] === 'top') { place.top = number; any = true; }
    else if (pair[0] === 'zoom' && number > 0) { place.zoom = number; any = true; }
    else if (pair[0] === 'left') { place.left = number; any = true; }
  });
  return any ? place : null;
}

// Puts the view where `text` says; a served view is ready once the
// Promise it returns resolves.
View.prototype.setPosition = function (text) {
  var place = parsePosition(text);
  if (place) {
    if (place.zoom !== undefined) this.zoom = place.zoom;
    if (place.top !== undefined) this.top = place.top;
    if (place.left !== undefined) this.left = place.left;
    this.selected = place.selected.filter(function (event) { return event < this.trace.total; }, this);
    this.draw();
    // The entry holds the place already.
    clearTimeout(this.positionTimer);
    this.positionShown = positionText(this);
  }
  return this.source ? this.source.idle(this) : undefined;
};

// Called at every drawing: the fragment follows the view once it rests.
View.prototype.keepPosition = function () {
  var self = this;
  clearTimeout(this.positionTimer);
  this.positionTimer = setTimeout(function () { self.writePosition(); }, POSITION_DELAY);
};

View.prototype.writePosition = function () {
  clearTimeout(this.positionTimer);
  var text = positionText(this);
  if (text === this.positionShown) {
    // A jump to where the view already was adds no entry.
    this.jumping = false;
    return;
  }
  this.positionShown = text;
  var address = location.pathname + location.search + '#' + text;
  if (this.jumping) history.pushState(null, '', address); else history.replaceState(null, '', address);
  this.jumping = false;
};

// Before a jump (before its selection too): the current entry keeps the
// place left, the next one takes the place reached. Once per jump.
View.prototype.noteJump = function () {
  if (this.jumping) return;
  this.writePosition();
  this.jumping = true;
};

View.prototype.bindPosition = function () {
  var self = this;
  window.addEventListener('popstate', function () { self.setPosition(location.hash); });
};
