#include "view_server.h"

#include "request_guard.h"
#include "view_token.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include <sys/socket.h>

namespace view {

namespace {

// The page is one file with its script and style inline; it asks only its
// own server for data and is shown in no frame.
const char* const pagePolicy =
    "default-src 'self'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; img-src 'self' data:; "
    "base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

const std::string stillReading = R"({"error":"the trace is still being read"})";

// The library listens with a backlog of 5, which drops connections
// (to be retried only after a second or more) when a page, or several,
// open many at once.
class ListeningServer : public httplib::Server {
public:
    void widenBacklog() { ::listen(svr_sock_, SOMAXCONN); }
};

}

struct Server::Running {
    Running(std::string page, ServerLimits limits) : page(std::move(page)), limits(limits) {}

    void answerPage(const httplib::Request& request, httplib::Response& response) const;
    void answerData(const std::string& endpoint, const httplib::Request& request, httplib::Response& response) const;
    std::string readingProgress() const;
    void send(httplib::Response& response, int status, const std::string& body, const char* type) const;
    void setLimits();  // before the socket is made
    void route();  // once the port is known
    void listen();

    const std::string page;
    const ServerLimits limits;
    const std::string token = makeViewToken();
    std::string address;
    int port = 0;
    std::unique_ptr<RequestGuard> guard;

    ListeningServer http;
    std::thread listening;
    std::atomic<bool> listened{false};  // the listening thread is past its loop

    std::atomic<double> progress{0};
    mutable std::mutex serviceLock;
    std::shared_ptr<const Service> service;
};

void Server::Running::send(httplib::Response& response, int status, const std::string& body, const char* type) const
{
    if (body.size() > limits.answerBytes) {
        response.status = 500;
        return;
    }
    response.status = status;
    response.set_content(body, type);
}

void Server::Running::answerPage(const httplib::Request& request, httplib::Response& response) const
{
    // The page's own requests carry the token in the cookie, which only
    // the server can read.
    if (guard->tokenInQuery(request))
        response.set_header("Set-Cookie",
                            tokenCookieName(port) + "=" + token + "; HttpOnly; SameSite=Strict; Path=/");
    response.set_header("Content-Security-Policy", pagePolicy);
    send(response, 200, page, "text/html; charset=utf-8");
}

std::string Server::Running::readingProgress() const
{
    char text[64];
    std::snprintf(text, sizeof text, R"({"ready":false,"progress":%.4f})",
                  std::clamp(progress.load(std::memory_order_relaxed), 0.0, 1.0));
    return text;
}

void Server::Running::answerData(const std::string& endpoint, const httplib::Request& request,
                                 httplib::Response& response) const
{
    std::shared_ptr<const Service> answering;
    {
        std::lock_guard<std::mutex> lock(serviceLock);
        answering = service;
    }
    if (!answering) {
        if (endpoint == "meta")
            send(response, 200, readingProgress(), jsonType);
        else
            send(response, 503, stillReading, jsonType);
        return;
    }
    Parameters parameters(request.params.begin(), request.params.end());
    parameters.erase("token");  // the server's, not the service's
    const Answer answer = answering->answer(endpoint, parameters);
    send(response, answer.status, answer.body, answer.contentType.c_str());
}

void Server::Running::listen()
{
    http.listen_after_bind();
    listened = true;
}

Server::Server(std::string page, ServerLimits limits) : running_(std::make_unique<Running>(std::move(page), limits))
{
}

Server::~Server()
{
    stop();
}

void Server::Running::setLimits()
{
    http.set_read_timeout(limits.timeoutSeconds);
    http.set_write_timeout(limits.timeoutSeconds);
    http.set_keep_alive_timeout(limits.keepAliveSeconds);
    http.set_keep_alive_max_count(static_cast<std::size_t>(limits.keepAliveRequests));
    const auto threads = static_cast<std::size_t>(limits.threads);
    http.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    // No request has a body.
    http.set_payload_max_length(0);
    http.set_default_headers({{"X-Content-Type-Options", "nosniff"},
                              {"Cache-Control", "no-store"},
                              {"Referrer-Policy", "no-referrer"}});
    // The library would set SO_REUSEPORT, with which a second server (this
    // tool or another program of the user's) shares the port silently and
    // takes part of the requests; SO_REUSEADDR only lets a port be taken
    // again while old connections linger.
    http.set_socket_options([](socket_t socket) {
        const int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
}

void Server::Running::route()
{
    guard = std::make_unique<RequestGuard>(token, port, hostAuthorities(address, port),
                                           RequestGuard::Bounds{limits.parameters, limits.parameterBytes});
    http.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response& response) {
        const int refusal = guard->refusal(request);
        if (refusal == 0)
            return httplib::Server::HandlerResponse::Unhandled;
        response.status = refusal;
        return httplib::Server::HandlerResponse::Handled;
    });
    http.Get("/", [this](const httplib::Request& request, httplib::Response& response) {
        answerPage(request, response);
    });
    http.Get(R"(/api/([a-z]+))", [this](const httplib::Request& request, httplib::Response& response) {
        answerData(request.matches[1], request, response);
    });
    // Not the exception's text in a header, as the library would send it.
    http.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
        response.status = 500;
        response.body.clear();
    });
}

bool Server::start(int port, std::string& reason, const std::string& address)
{
    Running& run = *running_;
    if (run.port != 0) {
        reason = "the server was started before";
        return false;
    }
    run.setLimits();
    errno = 0;
    ListeningServer& http = run.http;
    const bool bound = port == 0 ? (port = http.bind_to_any_port(address)) > 0 : http.bind_to_port(address, port);
    if (!bound) {
        const int failure = errno;
        reason = failure ? std::strerror(failure) : "the address cannot be used";
        return false;
    }
    http.widenBacklog();
    run.address = address;
    run.port = port;
    run.route();

    run.listening = std::thread([&run] { run.listen(); });
    // A stop before the loop runs would not reach it.
    while (!http.is_running() && !run.listened)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

int Server::port() const
{
    return running_->port;
}

const std::string& Server::token() const
{
    return running_->token;
}

std::string Server::url() const
{
    const std::string& address = running_->address;
    const std::string host = addressKind(address) == AddressKind::other ? address : loopbackAddress;
    return "http://" + authority(host, running_->port) + "/?token=" + running_->token;
}

void Server::setProgress(double fraction)
{
    running_->progress.store(fraction, std::memory_order_relaxed);
}

void Server::setService(std::shared_ptr<const Service> service)
{
    std::lock_guard<std::mutex> lock(running_->serviceLock);
    running_->service = std::move(service);
}

void Server::stop()
{
    Running& run = *running_;
    if (!run.listening.joinable())
        return;
    run.http.stop();
    run.listening.join();
}

}
