// The served view under many clients at once and clients that misbehave:
// every request is answered and the server still stops.

#include "served_view.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// A raw connection to the server, to send what no HTTP client would.
class RawConnection {
public:
    explicit RawConnection(int port) : socket_(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = socket_ >= 0 && ::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawConnection() { close(); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const { return connected_; }
    bool send(const std::string& text) const
    {
        return ::send(socket_, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
    }
    void close()
    {
        if (socket_ >= 0)
            ::close(socket_);
        socket_ = -1;
    }

private:
    int socket_;
    bool connected_ = false;
};

TEST(ViewServerLoad, ManyClientsAtOnceAreAllAnswered)
{
    ServedView view;
    constexpr int clients = 100;
    constexpr int requestsEach = 5;
    std::atomic<int> answered{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < clients; ++i)
        threads.emplace_back([&view, &answered, i] {
            const auto client = view.client();
            for (int request = 0; request < requestsEach; ++request) {
                const auto result = request % 2 ? view.get("/api/echo?client=" + std::to_string(i))
                                                : client->Get("/api/meta?token=" + view.token());
                if (result && result->status == 200)
                    ++answered;
                else
                    ADD_FAILURE() << "client " << i << ", request " << request << ": "
                                  << (result ? std::to_string(result->status) : httplib::to_string(result.error()));
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(answered.load(), clients * requestsEach);
    view.server.stop();
    // A stopped server answers no more.
    EXPECT_FALSE(view.get("/api/meta"));
}

TEST(ViewServerLoad, HalfRequestsDoNotStopTheOthers)
{
    ServedView view;
    const std::string start = "GET /api/meta?token=" + view.token() + " HTTP/1.1\r\nHost: " + view.host() + "\r\n";
    {
        RawConnection leaving(view.port());
        ASSERT_TRUE(leaving.connected());
        ASSERT_TRUE(leaving.send(start));
    }
    RawConnection cut(view.port());
    ASSERT_TRUE(cut.connected());
    ASSERT_TRUE(cut.send(start.substr(0, 12)));
    cut.close();
    // One that stays and says no more holds one thread until it times out,
    // while the others are answered.
    RawConnection staying(view.port());
    ASSERT_TRUE(staying.connected());
    ASSERT_TRUE(staying.send(start));
    for (int i = 0; i < 10; ++i) {
        const auto result = view.get("/api/meta");
        ASSERT_TRUE(result) << i;
        EXPECT_EQ(result->status, 200);
    }
    view.server.stop();
}

TEST(ViewServerLoad, StopsWithIdleConnectionsOpen)
{
    ServedView view;
    const auto client = view.client();
    client->set_keep_alive(true);
    const auto result = client->Get("/api/meta?token=" + view.token());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200);
    RawConnection silent(view.port());
    ASSERT_TRUE(silent.connected());
    view.server.stop();
    EXPECT_FALSE(view.get("/api/meta"));
}

}
