#include "html_assets.h"

const char* pageStyleSheet()
{
    return R"css(
body { margin: 0; padding-top: 40px; background: #ffffff; font-family: 'DejaVu Sans', sans-serif; }
#toolbar { position: fixed; top: 0; left: 0; right: 0; height: 40px; z-index: 3; display: flex;
  align-items: center; gap: 8px; padding: 0 12px; background: #2f3b4c; color: #ffffff; font-size: 13px;
  box-shadow: 0 1px 4px rgba(0, 0, 0, 0.3); }
#toolbar .caption { font-weight: bold; white-space: nowrap; overflow: hidden; text-overflow: ellipsis; }
#toolbar .summary { color: #c8d3e0; white-space: nowrap; overflow: hidden; text-overflow: ellipsis; flex: 1; }
#toolbar button { background: #4a5a70; color: #ffffff; border: 1px solid #6c7f99; border-radius: 3px;
  min-width: 30px; height: 26px; cursor: pointer; }
#toolbar button:hover { background: #5b6e88; }
#zoom-level { min-width: 44px; text-align: center; }
#titles { position: sticky; top: 40px; z-index: 2; background: rgba(255, 255, 255, 0.94);
  border-bottom: 1px solid #d0d7e0; }
#titles .title { position: absolute; box-sizing: border-box; border: 1px solid; border-radius: 3px;
  display: flex; align-items: center; justify-content: center; white-space: nowrap; overflow: hidden; }
#diagram { cursor: grab; line-height: 0; }
#diagram.dragging { cursor: grabbing; }
#diagram svg { user-select: none; }
)css";
}

const char* pageScript()
{
    return R"js(
(function () {
  'use strict';
  var view = document.getElementById('diagram');
  var svg = view.querySelector('svg');
  var header = document.getElementById('titles');
  var level = document.getElementById('zoom-level');
  var toolbarHeight = document.getElementById('toolbar').offsetHeight;
  var width = Number(svg.getAttribute('width'));
  var height = Number(svg.getAttribute('height'));
  var band = Number(header.dataset.height);
  var titles = Array.prototype.slice.call(header.querySelectorAll('.title'));
  var zoom = 1;

  function px(value) { return (value * zoom) + 'px'; }

  function apply() {
    svg.setAttribute('width', width * zoom);
    svg.setAttribute('height', height * zoom);
    header.style.width = px(width);
    header.style.height = px(band);
    titles.forEach(function (title) {
      title.style.left = px(Number(title.dataset.x));
      title.style.top = px(Number(title.dataset.y));
      title.style.width = px(Number(title.dataset.w));
      title.style.height = px(Number(title.dataset.h));
      title.style.fontSize = px(Number(title.dataset.size));
    });
    level.textContent = Math.round(zoom * 100) + '%';
  }

  // Zooms keeping the diagram point under (clientX, clientY) in place.
  function zoomTo(next, clientX, clientY) {
    next = Math.min(8, Math.max(0.05, next));
    var top = toolbarHeight + header.offsetHeight;
    var pointX = (window.scrollX + clientX) / zoom;
    var pointY = (window.scrollY + clientY - top) / zoom;
    zoom = next;
    apply();
    window.scrollTo(pointX * zoom - clientX, pointY * zoom - (clientY - top));
  }

  function zoomBy(factor) { zoomTo(zoom * factor, window.innerWidth / 2, window.innerHeight / 2); }

  document.getElementById('zoom-in').addEventListener('click', function () { zoomBy(1.25); });
  document.getElementById('zoom-out').addEventListener('click', function () { zoomBy(0.8); });
  document.getElementById('zoom-reset').addEventListener('click', function () { zoomTo(1, 0, 0); });
  document.getElementById('zoom-fit').addEventListener('click', function () {
    zoomTo(window.innerWidth / width, 0, 0);
  });

  window.addEventListener('wheel', function (event) {
    if (!event.ctrlKey) return;
    event.preventDefault();
    zoomTo(zoom * (event.deltaY < 0 ? 1.1 : 1 / 1.1), event.clientX, event.clientY);
  }, { passive: false });

  window.addEventListener('keydown', function (event) {
    if (event.key === '+' || event.key === '=') zoomBy(1.25);
    else if (event.key === '-') zoomBy(0.8);
    else if (event.key === '0') zoomTo(1, 0, 0);
  });

  var drag = null;
  view.addEventListener('mousedown', function (event) {
    if (event.button !== 0) return;
    drag = { x: event.clientX, y: event.clientY };
    view.classList.add('dragging');
    event.preventDefault();
  });
  window.addEventListener('mousemove', function (event) {
    if (!drag) return;
    window.scrollBy(drag.x - event.clientX, drag.y - event.clientY);
    drag = { x: event.clientX, y: event.clientY };
  });
  window.addEventListener('mouseup', function () {
    drag = null;
    view.classList.remove('dragging');
  });

  apply();
  document.body.setAttribute('data-ready', 'yes');
})();
)js";
}
