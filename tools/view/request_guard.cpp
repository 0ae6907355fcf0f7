#include "request_guard.h"

#include "view_token.h"

#include <algorithm>
#include <cctype>

namespace view {

namespace {

std::string lowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool servedPath(const std::string& path)
{
    static const std::string api = "/api/";
    if (path == "/")
        return true;
    if (path.size() <= api.size() || path.compare(0, api.size(), api) != 0)
        return false;
    return std::all_of(path.begin() + api.size(), path.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// The text of a header given at most once; a repeated one counts as
// missing, so that no two values can be told apart by different readers.
bool singleHeader(const httplib::Request& request, const char* name, std::string& value)
{
    if (request.get_header_value_count(name) != 1)
        return false;
    value = request.get_header_value(name);
    return true;
}

}

std::string tokenCookieName(int port)
{
    return "tdf_token_" + std::to_string(port);
}

RequestGuard::RequestGuard(std::string token, int port, std::vector<std::string> authorities, Bounds bounds)
    : token_(std::move(token)), cookieName_(tokenCookieName(port)), authorities_(std::move(authorities)),
      bounds_(bounds)
{
}

int RequestGuard::refusal(const httplib::Request& request) const
{
    if (!allowedHost(request) || !allowedOrigin(request) || !showsToken(request))
        return 403;
    if (request.method != "GET" && request.method != "HEAD")
        return 405;
    // The library would read a chunked body whole, whatever its size.
    if (request.has_header("Transfer-Encoding") ||
        (request.has_header("Content-Length") && request.get_header_value("Content-Length") != "0"))
        return 413;
    if (!servedPath(request.path))
        return 404;
    return queryRefusal(request);
}

bool RequestGuard::allowedHost(const httplib::Request& request) const
{
    std::string host;
    if (!singleHeader(request, "Host", host))
        return false;
    return std::find(authorities_.begin(), authorities_.end(), lowerCase(host)) != authorities_.end();
}

// Browsers send Origin with requests that scripts make; only the page's
// own origin, the one its Host names, may make them.
bool RequestGuard::allowedOrigin(const httplib::Request& request) const
{
    if (!request.has_header("Origin"))
        return true;
    std::string origin;
    return singleHeader(request, "Origin", origin) &&
           lowerCase(origin) == "http://" + lowerCase(request.get_header_value("Host"));
}

bool RequestGuard::showsToken(const httplib::Request& request) const
{
    if (tokenInQuery(request) || tokenInCookie(request))
        return true;
    std::string header;
    return singleHeader(request, "X-Tdf-Token", header) && sameToken(header, token_);
}

bool RequestGuard::tokenInQuery(const httplib::Request& request) const
{
    const auto given = request.params.equal_range("token");
    return std::any_of(given.first, given.second, [this](const auto& entry) { return sameToken(entry.second, token_); });
}

bool RequestGuard::tokenInCookie(const httplib::Request& request) const
{
    const std::string prefix = cookieName_ + "=";
    const std::size_t cookies = request.get_header_value_count("Cookie");
    for (std::size_t i = 0; i < cookies; ++i) {
        const std::string line = request.get_header_value("Cookie", i);
        std::size_t start = 0;
        while (start < line.size()) {
            std::size_t end = line.find(';', start);
            if (end == std::string::npos)
                end = line.size();
            std::size_t first = line.find_first_not_of(' ', start);
            if (first < end && line.compare(first, prefix.size(), prefix) == 0 &&
                sameToken(line.substr(first + prefix.size(), end - first - prefix.size()), token_))
                return true;
            start = end + 1;
        }
    }
    return false;
}

int RequestGuard::queryRefusal(const httplib::Request& request) const
{
    if (request.params.size() > bounds_.parameters)
        return 400;
    for (const auto& [name, value] : request.params)
        if (name.size() > bounds_.parameterBytes || value.size() > bounds_.parameterBytes)
            return 414;
    return 0;
}

}
