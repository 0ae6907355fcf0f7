#ifndef VIEW_VIEW_SERVICE_H
#define VIEW_VIEW_SERVICE_H

// What the served view answers once the trace is read: the data the page
// asks for, endpoint by endpoint. The server in front of it checks every
// request first; answers may be asked for from several threads at once.

#include <map>
#include <string>

namespace view {

// JSON with its charset: the HTTP library compresses bare
// "application/json", and its Brotli takes seconds for an answer of a
// megabyte, for nothing on a loopback connection.
constexpr const char* jsonType = "application/json; charset=utf-8";

struct Answer {
    int status = 200;
    std::string contentType = jsonType;
    std::string body;
};

// A request's query parameters, as the server decoded them.
using Parameters = std::multimap<std::string, std::string>;

class Service {
public:
    virtual ~Service() = default;
    // `endpoint` is the path after "/api/" ("meta", "window", ...); an
    // endpoint it does not know gets a 404 answer, bad parameters a 400.
    virtual Answer answer(const std::string& endpoint, const Parameters& parameters) const = 0;
};

}

#endif
