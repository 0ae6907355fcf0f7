// bookmarks.js: rows the user marked, each with a note, kept in the
// browser's local storage for this trace (its title and its number of
// events tell it apart), listed in a panel; a click goes to one.

function bookmarkKey(trace) { return 'tdf-bookmarks:' + trace.title + ':' + trace.total; }

View.prototype.bookmarks = function () {
  try {
    var kept = JSON.parse(window.localStorage.getItem(bookmarkKey(this.trace)) || '[]');
    return Array.isArray(kept) ? kept.filter(function (b) { return b && b.event >= 0; }) : [];
  } catch (error) {
    return [];  // storage refused (a private window) or spoilt: no bookmarks
  }
};

View.prototype.keepBookmarks = function (list) {
  try {
    window.localStorage.setItem(bookmarkKey(this.trace), JSON.stringify(list));
  } catch (error) {
    showServedFailure(new Error('the bookmarks could not be kept: ' + error.message));
  }
  this.showBookmarks();
};

// Marks event `event` with `note`, or changes the note of its bookmark.
View.prototype.addBookmark = function (event, note) {
  var list = this.bookmarks().filter(function (b) { return b.event !== event; });
  list.push({ event: event, note: String(note || '') });
  list.sort(function (a, b) { return a.event - b.event; });
  this.keepBookmarks(list);
};

View.prototype.removeBookmark = function (event) {
  this.keepBookmarks(this.bookmarks().filter(function (b) { return b.event !== event; }));
};

View.prototype.showBookmarks = function () {
  var self = this, list = document.getElementById('bookmarks-list'), marks = this.bookmarks();
  document.getElementById('bookmarks-button').textContent = '\u2605' + (marks.length ? ' ' + marks.length : '');
  list.textContent = marks.length ? '' : 'No bookmarks: the details of an event have a button to add one.';
  var table = document.createElement('table');
  marks.forEach(function (mark) {
    var row = table.insertRow();
    row.dataset.event = mark.event;
    row.insertCell().textContent = '#' + (mark.event + 1);
    row.insertCell().textContent = mark.note;
    row.addEventListener('click', function () {
      self.noteJump();
      self.selected = [mark.event];
      Promise.resolve(self.scrollToEvent(mark.event)).then(function () { self.update(); }, showServedFailure);
    });
    var remove = document.createElement('button');
    remove.textContent = '\u2715';
    remove.title = 'Remove this bookmark';
    remove.addEventListener('click', function (click) { click.stopPropagation(); self.removeBookmark(mark.event); });
    row.insertCell().appendChild(remove);
  });
  if (marks.length) list.appendChild(table);
};

View.prototype.bindBookmarks = function () {
  var panel = document.getElementById('bookmarks');
  document.getElementById('bookmarks-button').addEventListener('click', function () { panel.hidden = !panel.hidden; });
  document.getElementById('bookmarks-close').addEventListener('click', function () { panel.hidden = true; });
  this.showBookmarks();
};
