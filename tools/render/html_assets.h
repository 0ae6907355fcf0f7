#ifndef RENDER_HTML_ASSETS_H
#define RENDER_HTML_ASSETS_H

// The fixed style sheet and script of the HTML page.
const char* pageStyleSheet();
const char* pageScript();

#endif
