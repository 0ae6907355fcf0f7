#ifndef VIEW_VIEW_SERVER_H
#define VIEW_VIEW_SERVER_H

#include "view_address.h"
#include "view_service.h"

#include <cstddef>
#include <memory>
#include <string>

namespace view {

// How much a server takes on at once and how long it waits.
struct ServerLimits {
    int threads = 8;                  // connections answered at once; more wait their turn
    int timeoutSeconds = 5;           // reading a request, writing an answer
    int keepAliveSeconds = 2;         // an idle connection is closed after this
    int keepAliveRequests = 100;      // requests on one connection
    std::size_t parameters = 32;      // query parameters of a request
    std::size_t parameterBytes = 4096;  // each one's name and value
    std::size_t answerBytes = std::size_t(64) << 20;  // a larger answer is a 500, never sent
};

// Serves the view of a trace over HTTP, on one address (the loopback one
// unless the caller chooses another), from threads of its own: "/" answers
// the page, "/api/NAME" the service's answer for NAME. Every request must
// show the server's token (query parameter token, the cookie "/?token="
// sets, or the header X-Tdf-Token), name the server by an address of its
// own in Host and, when it has an Origin, come from the page's origin;
// only GET and HEAD are answered. Refusals carry no data and no answer
// carries CORS headers.
class Server {
public:
    explicit Server(std::string page, ServerLimits limits = {});
    // Stops it.
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Listens on `address` at `port` (0: a free one) and answers from then
    // on; false with the reason when it cannot listen there. Once only.
    bool start(int port, std::string& reason, const std::string& address = loopbackAddress);

    int port() const;
    const std::string& token() const;
    // The page's address with the token, at the loopback address unless
    // the server listens on one other address only.
    std::string url() const;

    // Until the service is set, "/api/meta" tells how much of the trace is
    // read (0 to 1) and the other endpoints answer 503. Both may be called
    // from any thread, while requests are answered.
    void setProgress(double fraction);
    void setService(std::shared_ptr<const Service> service);

    // Stops listening, lets the answers under way finish and returns once
    // no thread of the server runs; the server does not start again.
    void stop();

private:
    struct Running;
    std::unique_ptr<Running> running_;
};

}

#endif
