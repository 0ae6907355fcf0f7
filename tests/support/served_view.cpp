#include "served_view.h"

#include <stdexcept>

view::Answer TestService::answer(const std::string& endpoint, const view::Parameters& parameters) const
{
    if (endpoint == "meta")
        return {200, view::jsonType, meta};
    if (endpoint == "echo") {
        std::string given;
        for (const auto& [name, value] : parameters)
            given += name + "=" + value + ";";
        return {200, "text/plain", given};
    }
    if (endpoint == "large")
        return {200, "text/plain", std::string(largeBytes_, 'x')};
    if (endpoint == "fails")
        throw std::runtime_error(secret);
    return {404, "application/json", R"({"error":"no such endpoint"})"};
}

view::ServerLimits ServedView::testLimits()
{
    view::ServerLimits limits;
    limits.timeoutSeconds = 2;
    limits.keepAliveSeconds = 1;
    limits.answerBytes = 1000;
    return limits;
}

ServedView::ServedView(Service service, view::ServerLimits limits) : server(page, limits)
{
    std::string reason;
    if (!server.start(0, reason))
        throw std::runtime_error("the test server cannot listen: " + reason);
    if (service == Service::set)
        setService();
}

void ServedView::setService()
{
    server.setService(std::make_shared<TestService>(testLimits().answerBytes + 1));
}

std::string ServedView::host() const
{
    return "127.0.0.1:" + std::to_string(port());
}

std::unique_ptr<httplib::Client> ServedView::client() const
{
    auto client = std::make_unique<httplib::Client>("127.0.0.1", port());
    client->set_connection_timeout(10);
    client->set_read_timeout(10);
    client->set_write_timeout(10);
    return client;
}

httplib::Result ServedView::get(const std::string& path) const
{
    const char separator = path.find('?') == std::string::npos ? '?' : '&';
    return client()->Get(path + separator + "token=" + token());
}
