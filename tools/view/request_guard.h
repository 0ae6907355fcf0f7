#ifndef VIEW_REQUEST_GUARD_H
#define VIEW_REQUEST_GUARD_H

#include <httplib.h>

#include <cstddef>
#include <string>
#include <vector>

namespace view {

// The name of the cookie that carries the token of the view at `port`:
// browsers share cookies between the ports of a host, so that views open
// at once each need their own.
std::string tokenCookieName(int port);

// Decides, before anything else is done with a request, whether it is
// answered at all: a request that comes from elsewhere than the page, or
// asks for what the view does not serve, is refused without data.
class RequestGuard {
public:
    struct Bounds {
        std::size_t parameters;      // at most this many query parameters
        std::size_t parameterBytes;  // each name and value at most this long
    };

    // `authorities`: the Host values (lower case) the view answers to.
    RequestGuard(std::string token, int port, std::vector<std::string> authorities, Bounds bounds);

    // 0 for a request to answer, else the status to refuse it with: 403
    // for a foreign Host or Origin or a missing or wrong token, 405 for a
    // method other than GET and HEAD, 413 for one with a body, 404 for a
    // path other than "/" and "/api/NAME" (NAME in a-z), 400 and 414 past
    // the bounds of its query.
    int refusal(const httplib::Request& request) const;

    // Whether the request shows the token in its query (as the view's URL
    // does), not only in a cookie or header.
    bool tokenInQuery(const httplib::Request& request) const;

private:
    bool allowedHost(const httplib::Request& request) const;
    bool allowedOrigin(const httplib::Request& request) const;
    bool showsToken(const httplib::Request& request) const;
    bool tokenInCookie(const httplib::Request& request) const;
    int queryRefusal(const httplib::Request& request) const;

    std::string token_;
    std::string cookieName_;
    std::vector<std::string> authorities_;
    Bounds bounds_;
};

}

#endif
