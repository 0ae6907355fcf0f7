#ifndef TESTS_SERVED_VIEW_H
#define TESTS_SERVED_VIEW_H

#include <view_server.h>

#include <httplib.h>

#include <memory>
#include <string>

// What the test service answers: "meta" a fixed text, "echo" the
// parameters it was given (name=value;...), "large" one byte more than the
// server may send, "fails" an exception, anything else a 404.
class TestService : public view::Service {
public:
    static constexpr const char* meta = R"({"ready":true,"test":1})";
    static constexpr const char* secret = "the service's secret";

    explicit TestService(std::size_t largeBytes) : largeBytes_(largeBytes) {}
    view::Answer answer(const std::string& endpoint, const view::Parameters& parameters) const override;

private:
    std::size_t largeBytes_;
};

// A view server on 127.0.0.1, at a free port, with short waits, serving
// `page`; its service is set unless the test leaves it unset.
class ServedView {
public:
    static constexpr const char* page = "<!DOCTYPE html><title>test page</title>";
    static view::ServerLimits testLimits();

    enum class Service { set, unset };
    explicit ServedView(Service service = Service::set, view::ServerLimits limits = testLimits());

    view::Server server;

    int port() const { return server.port(); }
    const std::string& token() const { return server.token(); }
    std::string host() const;  // "127.0.0.1:PORT"
    // A client of the server that times out rather than hang a test.
    std::unique_ptr<httplib::Client> client() const;
    // GET of `path` with the token in the query.
    httplib::Result get(const std::string& path) const;
    void setService();
};

#endif
