#include "html_page.h"

#include "html_assets.h"

#include <QString>

// A stand-in until the served page comes: the view's style and script
// without the trace's data.
QByteArray servedPage(const QString& title)
{
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
           title.toHtmlEscaped().toUtf8() + "</title>\n<style>" + QByteArray(pageStyleSheet()) +
           "</style>\n</head>\n<body>\n<script>" + QByteArray(pageScript()) + "</script>\n</body>\n</html>\n";
}
