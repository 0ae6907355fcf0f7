#include "html_page.h"

#include "html_assets.h"
#include "html_page_data.h"
#include "html_page_json.h"

namespace {

QByteArray escaped(const QString& text)
{
    return text.toHtmlEscaped().toUtf8();
}

// The shapes of the legend, drawn as the view draws them.
const char* legend()
{
    return R"html(<div id="legend" hidden><h2>Legend</h2><table>
<tr><td><svg width="60" height="16"><line x1="4" y1="8" x2="50" y2="8" stroke="#333"/><polygon points="47,4 56,8 47,12" fill="#333"/></svg></td><td>message (its style's line pattern and head; its thread's colour)</td></tr>
<tr><td><svg width="60" height="16"><line x1="10" y1="8" x2="56" y2="8" stroke="#333" stroke-dasharray="8,4"/><polyline points="13,4 4,8 13,12" fill="none" stroke="#333"/></svg></td><td>return</td></tr>
<tr><td><svg width="60" height="16"><circle cx="30" cy="8" r="4" fill="#fff" stroke="#333"/></svg></td><td>call on its sender; a small circle starts the message that completes it</td></tr>
<tr><td><svg width="60" height="16"><rect x="14" y="2" width="32" height="12" fill="#dde8f5" stroke="#333"/></svg></td><td>instance created (title box); its lifeline follows</td></tr>
<tr><td><svg width="60" height="16"><path d="M23,1 L37,15 M37,1 L23,15" stroke="#333" stroke-width="2"/></svg></td><td>instance deleted; a later instance may take the column</td></tr>
<tr><td><svg width="60" height="16"><rect id="legend-bar" x="25" y="0" width="10" height="16" fill="#e8eef7" stroke="#333"/></svg></td><td>activation bar</td></tr>
<tr><td><svg width="60" height="16"><rect x="10" y="2" width="40" height="12" rx="5" fill="#fff" stroke="#333"/></svg></td><td>action</td></tr>
<tr><td><svg width="60" height="16"><line x1="6" y1="8" x2="54" y2="8" stroke="#333" stroke-width="3"/><circle cx="16" cy="8" r="4" fill="#333"/><circle cx="44" cy="8" r="4" fill="#333"/></svg></td><td>synchronisation</td></tr>
<tr><td><svg width="60" height="16"><path d="M12,2 H42 L48,8 V14 H12 Z" fill="#ffffe0" stroke="#333"/></svg></td><td>note</td></tr>
<tr><td><svg width="60" height="16"><path d="M30,1 L37,8 L30,15 L23,8 Z" fill="#e09b00"/></svg></td><td>glyph</td></tr>
<tr><td><svg width="60" height="16"><path d="M30,1 L37,8 L30,15 L23,8 Z" fill="#c62828"/></svg></td><td>glyph reporting a failure</td></tr>
<tr><td><svg width="60" height="16"><path d="M26,2 h8 v12 h-8 Z" fill="#1f77b4"/></svg></td><td>thread change (in the thread's colour)</td></tr>
<tr><td><svg width="60" height="16"><path d="M24,1 L34,8 L24,15 Z" fill="#b35900"/></svg></td><td>trigger (start and stop rule across the diagram)</td></tr>
<tr><td><svg width="60" height="16"><rect x="4" y="2" width="52" height="13" fill="none" stroke="#333"/><path d="M4,2 H24 V8 L20,11 H4" fill="#eee" stroke="#333"/></svg></td><td>loop frame; the loops open above the view are named in a band at its top</td></tr>
<tr><td><svg width="60" height="16"><path d="M24,2 l6,4 l6,-4 M24,10 l6,4 l6,-4" fill="none" stroke="#b00020" stroke-width="2"/><line x1="40" y1="8" x2="58" y2="8" stroke="#b00020" stroke-dasharray="4,4"/></svg></td><td>large gap in time between two rows (over ten times the usual)</td></tr>
</table><div id="legend-threads"></div><button id="legend-close">Close</button></div>
)html";
}

// What the keys do, shown on "?".
const char* keyHelp()
{
    return R"html(<div id="keys" class="panel" hidden><h2>Keys</h2><table>
<tr><td>+ &nbsp; &#x2212; &nbsp; 0</td><td>zoom in, out, actual size (also with Ctrl, or Ctrl and the wheel)</td></tr>
<tr><td>&#x2191; &#x2193; &#x2190; &#x2192;</td><td>scroll a little</td></tr>
<tr><td>Page Up, Page Down, Space</td><td>scroll a screen</td></tr>
<tr><td>Home, End</td><td>the start, the end of the trace</td></tr>
<tr><td>F</td><td>follow the selected event to its return, completion or call</td></tr>
<tr><td>Shift and a click</td><td>the time since the event selected first</td></tr>
<tr><td>Enter, Shift+Enter</td><td>in the search box: the next, the previous hit</td></tr>
<tr><td>Escape</td><td>close the details and the panels</td></tr>
<tr><td>?</td><td>show or hide these keys</td></tr>
</table></div>
)html";
}

// The page up to its data: head, toolbar, view, details and legend.
QByteArray pageBefore(const QString& title, const QString& caption)
{
    QByteArray page;
    page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<title>" + escaped(title) + "</title>\n";
    page += "<style>" + QByteArray(pageStyleSheet()) + "</style>\n</head>\n<body>\n";
    page += "<div id=\"toolbar\"><span class=\"caption\" id=\"caption\">" + escaped(caption) +
            "</span><span class=\"summary\" id=\"summary\"></span>"
            "<span class=\"group\"><button id=\"zoom-out\" title=\"Zoom out (-)\">&#x2212;</button>"
            "<span id=\"zoom-level\">100%</span>"
            "<button id=\"zoom-in\" title=\"Zoom in (+)\">+</button>"
            "<button id=\"zoom-reset\" title=\"Actual size (0)\">1:1</button>"
            "<button id=\"zoom-fit\" title=\"The whole trace\">Fit</button></span>"
            "<span class=\"group\"><input id=\"search\" type=\"search\" placeholder=\"Find a label\" "
            "title=\"Finds labels containing the text (also where they are shortened); Enter for the next\">"
            "<span id=\"search-count\"></span>"
            "<button id=\"search-previous\" title=\"Previous hit (Shift+Enter)\">&#x25B2;</button>"
            "<button id=\"search-next\" title=\"Next hit (Enter)\">&#x25BC;</button>"
            "<button id=\"search-options-button\" title=\"How to search\">&#x2699;</button>"
            "<button id=\"hits-button\" title=\"List the hits\">&#x2630;</button></span>"
            "<span class=\"group\"><input id=\"goto\" placeholder=\"Go to time or #event\" "
            "title=\"A time in the trace's unit or as the axis shows it, or # and an event number\">"
            "<button id=\"goto-button\">Go</button></span>"
            "<button id=\"problems-button\" title=\"What the reading of the trace reported\" hidden></button>"
            "<button id=\"bookmarks-button\" title=\"Bookmarks\">&#x2605;</button>"
            "<button id=\"legend-button\">Legend</button></div>\n";
    page += "<div id=\"view\"><div id=\"corner\"></div><div id=\"titles\"></div>"
            "<div id=\"axis\"><canvas id=\"axis-canvas\"></canvas><div id=\"axis-labels\"></div></div>"
            "<div id=\"body\"><canvas id=\"diagram\"></canvas><div id=\"edge-names\"></div></div>"
            "<div id=\"loop-band\" title=\"Loops open above the view\" hidden></div>"
            "<canvas id=\"overview\" title=\"Events down the whole trace; click to go there\"></canvas>"
            "<div id=\"hscroll\"><div id=\"hscroll-width\"></div></div></div>\n";
    page += "<div id=\"details\" hidden></div>\n";
    // Shown from the start: a large page's data takes a while to arrive
    // and to decode.
    page += "<div id=\"loading\"><span id=\"loading-text\">Loading the trace\u2026</span>"
            "<progress id=\"loading-bar\"></progress></div>\n";
    page += legend();
    page += keyHelp();
    page += "<div id=\"search-options\" class=\"panel\" hidden>"
            "<label><input type=\"checkbox\" id=\"search-case\"> Match case</label>"
            "<label><input type=\"checkbox\" id=\"search-word\"> Whole words</label>"
            "<label>Kind <select id=\"search-kind\"><option value=\"0\">any</option></select></label>"
            "<label>To or from instance <input id=\"search-instance\" placeholder=\"dynamic id\"></label></div>\n";
    page += "<div id=\"hits\" class=\"panel\" hidden><h2>Hits</h2><div id=\"hits-list\"></div>"
            "<button id=\"hits-close\">Close</button></div>\n";
    page += "<div id=\"bookmarks\" class=\"panel\" hidden><h2>Bookmarks</h2><div id=\"bookmarks-list\"></div>"
            "<button id=\"bookmarks-close\">Close</button></div>\n";
    page += "<div id=\"problems\" hidden><h2>Problems</h2><div id=\"problems-list\"></div>"
            "<button id=\"problems-close\">Close</button></div>\n";
    return page;
}

// The page's script and its end.
QByteArray pageEnd()
{
    return "<script>" + QByteArray(pageScript()) + "</script>\n</body>\n</html>\n";
}

}

bool writeHtmlPage(const PageData& data, const PageWriter& write)
{
    return write(pageBefore(data.title, data.caption) + "<script type=\"application/json\" id=\"trace-data\">") &&
           writePageDataJson(data, write) && write("</script>\n" + pageEnd());
}

QByteArray servedPage(const QString& title)
{
    // Without data: the script asks the server that serves the page.
    return pageBefore(title, title) + pageEnd();
}
