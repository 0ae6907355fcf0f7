// The served view's guard: which requests it answers, what its answers
// carry, and what it says before the trace is read.

#include "served_view.h"

#include <view_address.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

namespace {

using httplib::Headers;

// The status of a request that must have been answered.
int statusOf(const httplib::Result& result)
{
    return result ? result->status : -1;
}

TEST(ViewServerToken, AnyOfItsThreeCarriersIsAccepted)
{
    ServedView view;
    const auto byQuery = view.get("/api/meta");
    ASSERT_EQ(statusOf(byQuery), 200);
    EXPECT_EQ(byQuery->body, TestService::meta);

    const std::string cookie = "tdf_token_" + std::to_string(view.port()) + "=" + view.token();
    const auto byCookie = view.client()->Get("/api/meta", Headers{{"Cookie", "other=1; " + cookie + "; last=2"}});
    ASSERT_EQ(statusOf(byCookie), 200);
    EXPECT_EQ(byCookie->body, TestService::meta);

    const auto byHeader = view.client()->Get("/api/meta", Headers{{"X-Tdf-Token", view.token()}});
    EXPECT_EQ(statusOf(byHeader), 200);
}

TEST(ViewServerToken, MissingOrWrongTokenIsRefusedWithoutData)
{
    ServedView view;
    std::string sameLength = view.token();
    sameLength.back() = sameLength.back() == '0' ? '1' : '0';
    const std::string cookie = "tdf_token_" + std::to_string(view.port()) + "=";
    const std::string otherPortCookie = "tdf_token_" + std::to_string(view.port() + 1) + "=" + view.token();
    const struct {
        const char* what;
        std::string path;
        Headers headers;
    } refused[] = {
        {"no token", "/api/meta", {}},
        {"no token for the page", "/", {}},
        {"wrong token of the same length", "/api/meta?token=" + sameLength, {}},
        {"a prefix of the token", "/api/meta?token=" + view.token().substr(0, 10), {}},
        {"the token and more", "/?token=" + view.token() + "0", {}},
        {"an empty token", "/api/meta?token=", {}},
        {"wrong cookie", "/api/meta", {{"Cookie", cookie + sameLength}}},
        {"another view's cookie", "/api/meta", {{"Cookie", otherPortCookie}}},
        {"wrong header", "/api/meta", {{"X-Tdf-Token", sameLength}}},
        {"the header twice", "/api/meta", {{"X-Tdf-Token", view.token()}, {"X-Tdf-Token", sameLength}}},
    };
    for (const auto& request : refused) {
        const auto result = view.client()->Get(request.path, request.headers);
        ASSERT_EQ(statusOf(result), 403) << request.what;
        EXPECT_EQ(result->body, "") << request.what;
        EXPECT_FALSE(result->has_header("Set-Cookie")) << request.what;
    }
}

TEST(ViewServerToken, IsLongRandomAndInTheUrl)
{
    ServedView first;
    ServedView second;
    EXPECT_EQ(first.token().size(), 64u);
    EXPECT_EQ(first.token().find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(first.token(), second.token());
    EXPECT_EQ(first.server.url(), "http://" + first.host() + "/?token=" + first.token());
}

TEST(ViewServerOrigin, ForeignHostIsRefused)
{
    ServedView view;
    const std::string port = std::to_string(view.port());
    for (const std::string& host : {"evil.example:" + port, "127.0.0.1:" + std::to_string(view.port() + 1),
                                   std::string("127.0.0.1"), "127.0.0.2:" + port, "localhost.evil.example:" + port}) {
        const auto result = view.client()->Get("/api/meta?token=" + view.token(), Headers{{"Host", host}});
        ASSERT_EQ(statusOf(result), 403) << host;
        EXPECT_EQ(result->body, "") << host;
    }
    for (const std::string& host : {"localhost:" + port, "LocalHost:" + port, "[::1]:" + port})
        EXPECT_EQ(statusOf(view.client()->Get("/api/meta?token=" + view.token(), Headers{{"Host", host}})), 200)
            << host;
}

TEST(ViewServerOrigin, OnlyThePagesOwnOriginMayAsk)
{
    ServedView view;
    const std::string path = "/api/meta?token=" + view.token();
    for (const std::string& origin : {std::string("http://evil.example"), std::string("null"),
                                     "http://127.0.0.1:" + std::to_string(view.port() + 1),
                                     "https://" + view.host(), "http://localhost:" + std::to_string(view.port())}) {
        const auto result = view.client()->Get(path, Headers{{"Origin", origin}});
        ASSERT_EQ(statusOf(result), 403) << origin;
        EXPECT_EQ(result->body, "") << origin;
    }
    EXPECT_EQ(statusOf(view.client()->Get(path, Headers{{"Origin", "http://" + view.host()}})), 200);
}

TEST(ViewServerRequests, OnlyGetAndHeadAreAnswered)
{
    ServedView view;
    const std::string path = "/api/meta?token=" + view.token();
    const auto client = view.client();
    const httplib::Result refused[] = {
        client->Post(path, "x=1", "application/x-www-form-urlencoded"),
        client->Put(path, "{}", "application/json"),
        client->Delete(path),
        client->Patch(path, "{}", "application/json"),
        client->Options(path),
    };
    for (const auto& result : refused) {
        ASSERT_EQ(statusOf(result), 405);
        EXPECT_EQ(result->body, "");
    }
    // No body is read, not even a chunked one, which the library would
    // take whole.
    for (const Headers& body : {Headers{{"Transfer-Encoding", "chunked"}}, Headers{{"Content-Length", "5"}}}) {
        const auto result = client->Get(path, body);
        ASSERT_EQ(statusOf(result), 413);
        EXPECT_EQ(result->body, "");
    }
    const auto head = client->Head(path);
    ASSERT_EQ(statusOf(head), 200);
    EXPECT_EQ(head->body, "");
}

TEST(ViewServerRequests, OnlyThePageAndTheApiAreServed)
{
    ServedView view;
    for (const char* path : {"/index.html", "/api", "/api/", "/api/Meta", "/api/meta/", "/api/meta/more",
                             "/api/me-ta", "/api/../api/meta", "//api/meta", "/favicon.ico"}) {
        const auto result = view.get(path);
        ASSERT_EQ(statusOf(result), 404) << path;
        EXPECT_EQ(result->body, "") << path;
    }
    const auto unknown = view.get("/api/unknown");
    ASSERT_EQ(statusOf(unknown), 404);  // the service's own answer
}

TEST(ViewServerRequests, QueriesAreBounded)
{
    ServedView view;
    std::string many = "/api/echo?";
    for (int i = 0; i < 31; ++i)
        many += "p" + std::to_string(i) + "=" + std::to_string(i) + "&";
    EXPECT_EQ(statusOf(view.get(many)), 200);  // 32 with the token
    EXPECT_EQ(statusOf(view.get(many + "one=more")), 400);

    const std::string long4096(4096, 'v');
    const std::string long4097(4097, 'v');
    EXPECT_EQ(statusOf(view.get("/api/meta?p=" + long4096)), 200);
    EXPECT_EQ(statusOf(view.get("/api/echo?p=" + long4097)), 414);
    EXPECT_EQ(statusOf(view.get("/api/echo?" + long4097 + "=1")), 414);
    // Past what the request line may hold at all.
    const auto huge = view.get("/api/echo?p=" + std::string(20000, 'v'));
    ASSERT_TRUE(huge);
    EXPECT_GE(huge->status, 400);
    EXPECT_LT(huge->status, 500);
}

TEST(ViewServerRequests, TheServiceGetsTheParametersWithoutTheToken)
{
    ServedView view;
    const auto result = view.get("/api/echo?b=2&a=1&a=3");
    ASSERT_EQ(statusOf(result), 200);
    EXPECT_EQ(result->body, "a=1;a=3;b=2;");
}

TEST(ViewServerAnswers, CarryTheirSafetyHeadersAndNoCors)
{
    ServedView view;
    const auto client = view.client();
    const Headers origin{{"Origin", "http://" + view.host()}};
    const httplib::Result answers[] = {
        view.get("/"),
        view.get("/api/meta"),
        client->Get("/api/meta", origin),              // 403
        view.get("/nothing"),                          // 404
        client->Post("/?token=" + view.token(), "", "text/plain"),  // 405
        view.get("/api/large"),                        // 500
        client->Options("/api/meta", origin),          // a preflight
    };
    for (const auto& result : answers) {
        ASSERT_TRUE(result);
        const int status = result->status;
        EXPECT_EQ(result->get_header_value("X-Content-Type-Options"), "nosniff") << status;
        EXPECT_EQ(result->get_header_value("Cache-Control"), "no-store") << status;
        EXPECT_EQ(result->get_header_value("Referrer-Policy"), "no-referrer") << status;
        for (const auto& header : result->headers) {
            std::string name = header.first;
            for (char& c : name)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_NE(name.rfind("access-control-", 0), 0u) << status << " " << header.first;
        }
    }
}

// Compressing a megabyte of JSON with Brotli takes the library seconds,
// for nothing on a loopback connection.
TEST(ViewServerAnswers, DataIsSentUncompressedWhateverTheBrowserAccepts)
{
    ServedView view;
    const auto answer = view.client()->Get("/api/meta?token=" + view.token(),
                                           Headers{{"Accept-Encoding", "gzip, deflate, br"}});
    ASSERT_EQ(statusOf(answer), 200);
    EXPECT_FALSE(answer->has_header("Content-Encoding"));
    EXPECT_EQ(answer->body, TestService::meta);
}

TEST(ViewServerAnswers, ThePageSetsTheCookieThatLaterRequestsShow)
{
    ServedView view;
    const auto page = view.get("/");
    ASSERT_EQ(statusOf(page), 200);
    EXPECT_EQ(page->body, ServedView::page);
    EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(page->get_header_value("Content-Security-Policy").find("default-src 'self'"), std::string::npos);
    const std::string cookie = page->get_header_value("Set-Cookie");
    const std::string pair = "tdf_token_" + std::to_string(view.port()) + "=" + view.token();
    EXPECT_EQ(cookie, pair + "; HttpOnly; SameSite=Strict; Path=/");
    EXPECT_EQ(statusOf(view.client()->Get("/api/meta", Headers{{"Cookie", pair}})), 200);

    // Only the URL's token is turned into a cookie.
    const auto byHeader = view.client()->Get("/", Headers{{"X-Tdf-Token", view.token()}});
    ASSERT_EQ(statusOf(byHeader), 200);
    EXPECT_FALSE(byHeader->has_header("Set-Cookie"));
}

TEST(ViewServerAnswers, TooLargeOrFailedAnswersAreErrorsWithoutData)
{
    ServedView view;
    const auto large = view.get("/api/large");
    ASSERT_EQ(statusOf(large), 500);
    EXPECT_EQ(large->body, "");

    const auto failed = view.get("/api/fails");
    ASSERT_EQ(statusOf(failed), 500);
    EXPECT_EQ(failed->body, "");
    for (const auto& header : failed->headers)
        EXPECT_EQ(header.second.find(TestService::secret), std::string::npos) << header.first;
}

TEST(ViewServerReading, BeforeTheServiceMetaTellsTheProgressAndTheRestWaits)
{
    ServedView view(ServedView::Service::unset);
    auto meta = view.get("/api/meta");
    ASSERT_EQ(statusOf(meta), 200);
    EXPECT_EQ(meta->body, R"({"ready":false,"progress":0.0000})");
    view.server.setProgress(0.25);
    meta = view.get("/api/meta");
    ASSERT_EQ(statusOf(meta), 200);
    EXPECT_EQ(meta->body, R"({"ready":false,"progress":0.2500})");

    const auto other = view.get("/api/echo");
    ASSERT_EQ(statusOf(other), 503);
    EXPECT_EQ(other->body, R"({"error":"the trace is still being read"})");
    EXPECT_EQ(statusOf(view.get("/")), 200);
    // The guard comes first also while the trace is read.
    EXPECT_EQ(statusOf(view.client()->Get("/api/meta")), 403);

    view.setService();
    meta = view.get("/api/meta");
    ASSERT_EQ(statusOf(meta), 200);
    EXPECT_EQ(meta->body, TestService::meta);
}

// The lines of `ss -ltn` that name the port, or nothing without ss.
bool listeningLines(int port, std::set<std::string>& addresses)
{
    FILE* listing = popen("ss -Hltn 2>/dev/null", "r");
    if (!listing)
        return false;
    char line[512];
    bool any = false;
    const std::string suffix = ":" + std::to_string(port);
    while (std::fgets(line, sizeof line, listing)) {
        any = true;
        char state[64], received[32], sent[32], local[256];
        if (std::sscanf(line, "%63s %31s %31s %255s", state, received, sent, local) != 4)
            continue;
        const std::string address = local;
        if (address.size() > suffix.size() && address.compare(address.size() - suffix.size(), suffix.size(), suffix) == 0)
            addresses.insert(address);
    }
    return pclose(listing) == 0 && any;
}

TEST(ViewServerListening, OnTheLoopbackAddressOnly)
{
    ServedView view;
    std::set<std::string> addresses;
    if (!listeningLines(view.port(), addresses))
        GTEST_SKIP() << "ss is missing";
    EXPECT_EQ(addresses, std::set<std::string>{view.host()});
}

TEST(ViewServerListening, ABusyPortIsReported)
{
    ServedView view;
    view::Server second("page");
    std::string reason;
    EXPECT_FALSE(second.start(view.port(), reason));
    EXPECT_EQ(reason, "Address already in use");
    // The first one still answers.
    EXPECT_EQ(statusOf(view.get("/api/meta")), 200);
}

TEST(ViewAddress, KindsAndHostNames)
{
    using view::AddressKind;
    EXPECT_EQ(view::addressKind("127.0.0.1"), AddressKind::loopback);
    EXPECT_EQ(view::addressKind("127.1.2.3"), AddressKind::loopback);
    EXPECT_EQ(view::addressKind("::1"), AddressKind::loopback);
    EXPECT_EQ(view::addressKind("0.0.0.0"), AddressKind::wildcard);
    EXPECT_EQ(view::addressKind("::"), AddressKind::wildcard);
    EXPECT_EQ(view::addressKind("192.168.1.20"), AddressKind::other);
    EXPECT_EQ(view::addressKind("fe80::1"), AddressKind::other);
    for (const char* notAddress : {"", "localhost", "1.2.3", "256.1.1.1", "1.2.3.4:80", "[::1]", "example.org"})
        EXPECT_EQ(view::addressKind(notAddress), AddressKind::notAnAddress) << notAddress;

    EXPECT_EQ(view::authority("::1", 80), "[::1]:80");
    const auto specific = view::hostAuthorities("192.168.1.20", 8080);
    EXPECT_EQ(std::set<std::string>(specific.begin(), specific.end()),
              (std::set<std::string>{"127.0.0.1:8080", "localhost:8080", "[::1]:8080", "192.168.1.20:8080"}));
    // All of the machine's addresses for a wildcard, never the wildcard itself.
    const auto all = view::hostAuthorities("0.0.0.0", 8080);
    EXPECT_NE(std::find(all.begin(), all.end(), "127.0.0.1:8080"), all.end());
    EXPECT_EQ(std::find(all.begin(), all.end(), "0.0.0.0:8080"), all.end());
}

}
