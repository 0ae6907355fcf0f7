#ifndef RENDER_HTML_ASSETS_H
#define RENDER_HTML_ASSETS_H

// The fixed style sheet and script of the HTML page, built from the files in
// html_assets/ (the script's parts in the order the build lists them).
const char* pageStyleSheet();
const char* pageScript();

#endif
