// The check of an upgrade request's head: where the token may stand and how it is written, which
// origins pass, and the refusals sent back.
#include <gtest/gtest.h>

#include "service/upgrade_request.h"

namespace vt::service {
namespace {

constexpr const char* kToken = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
constexpr const char* kWrong = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdee";

std::string head(const std::string& target, const std::string& headers) {
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:8765\r\nUpgrade: websocket\r\n" +
           headers;
}

TEST(UpgradeRequest, TakesTheTokenFromTheHeaderOrTheTargetAndTheOriginFromTheList) {
    const UpgradePolicy policy{kToken, {"https://studio.example", " http://Mixer.example:8080/ "}};
    const std::string bearer = std::string("Authorization: Bearer ") + kToken + "\r\n";
    const std::string query = std::string("/?token=") + kToken;
    struct Case {
        const char* what;
        std::string head;
        UpgradeVerdict verdict;
    };
    const Case cases[] = {
        {"bearer header", head("/", bearer), UpgradeVerdict::Accept},
        {"header names and scheme in any case",
         head("/", std::string("AUTHORIZATION:bEaReR   ") + kToken + "  \r\n"),
         UpgradeVerdict::Accept},
        {"query", head(query, ""), UpgradeVerdict::Accept},
        {"query among other items", head(std::string("/rpc?a=1&token=") + kToken + "&b", ""),
         UpgradeVerdict::Accept},
        {"query percent-encoded", head("/?token=%30" + std::string(kToken).substr(1), ""),
         UpgradeVerdict::Accept},
        {"wrong header, right query",
         head(query, std::string("Authorization: Bearer ") + kWrong + "\r\n"),
         UpgradeVerdict::Accept},
        {"no token", head("/", ""), UpgradeVerdict::Unauthorized},
        {"wrong bearer", head("/", std::string("Authorization: Bearer ") + kWrong + "\r\n"),
         UpgradeVerdict::Unauthorized},
        {"token without a scheme", head("/", std::string("Authorization: ") + kToken + "\r\n"),
         UpgradeVerdict::Unauthorized},
        {"other scheme", head("/", std::string("Authorization: Basic ") + kToken + "\r\n"),
         UpgradeVerdict::Unauthorized},
        {"scheme glued to the token",
         head("/", std::string("Authorization: Bearer") + kToken + "\r\n"),
         UpgradeVerdict::Unauthorized},
        {"wrong query", head(std::string("/?token=") + kWrong, ""), UpgradeVerdict::Unauthorized},
        {"token as the path", head(std::string("/") + kToken, ""), UpgradeVerdict::Unauthorized},
        {"token in another header", head("/", std::string("X-Token: ") + kToken + "\r\n"),
         UpgradeVerdict::Unauthorized},
        {"listed origin", head(query, "Origin: https://studio.example\r\n"),
         UpgradeVerdict::Accept},
        {"listed origin written with a slash and capitals",
         head(query, "origin: http://mixer.example:8080\r\n"), UpgradeVerdict::Accept},
        {"loopback origin", head(query, "Origin: http://127.0.0.1:8765\r\n"),
         UpgradeVerdict::Forbidden},
        {"opaque origin", head(query, "Origin: null\r\n"), UpgradeVerdict::Forbidden},
        {"listed origin on another port", head(query, "Origin: https://studio.example:444\r\n"),
         UpgradeVerdict::Forbidden},
        {"a second, foreign origin",
         head(query, "Origin: https://studio.example\r\nOrigin: https://evil.example\r\n"),
         UpgradeVerdict::Forbidden},
        {"foreign origin without a token", head("/", "Origin: https://evil.example\r\n"),
         UpgradeVerdict::Unauthorized},
        {"token subprotocol beside another",
         head("/",
              std::string("Sec-WebSocket-Protocol: vortella, vortella.token.") + kToken + "\r\n"),
         UpgradeVerdict::Accept},
        {"token subprotocol in a header line of its own",
         head("/", std::string("Sec-WebSocket-Protocol: vortella\r\nsec-websocket-protocol:  "
                               "vortella.token.") +
                       kToken + " \r\n"),
         UpgradeVerdict::Accept},
        {"wrong token subprotocol",
         head("/", std::string("Sec-WebSocket-Protocol: vortella.token.") + kWrong + "\r\n"),
         UpgradeVerdict::Unauthorized},
        {"token subprotocol without the prefix",
         head("/", std::string("Sec-WebSocket-Protocol: ") + kToken + "\r\n"),
         UpgradeVerdict::Unauthorized},
        {"empty token subprotocol", head("/", "Sec-WebSocket-Protocol: vortella.token.\r\n"),
         UpgradeVerdict::Unauthorized},
        {"token subprotocol from a foreign origin",
         head("/", std::string("Sec-WebSocket-Protocol: vortella.token.") + kToken +
                       "\r\nOrigin: https://evil.example\r\n"),
         UpgradeVerdict::Forbidden},
        {"no request line", "\r\n", UpgradeVerdict::BadRequest},
        {"request line without a version", "GET /\r\n" + bearer, UpgradeVerdict::BadRequest},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(checkUpgradeRequest(c.head, policy), c.verdict);
    }
    // Without a token of its own the listener lets nobody in.
    EXPECT_EQ(checkUpgradeRequest(head("/?token=", "Authorization: Bearer \r\n"), UpgradePolicy{}),
              UpgradeVerdict::Unauthorized);
}

TEST(UpgradeRequest, TheAnswerNamesOneOfTheOfferedSubprotocolsAndNeverTheTokenWhenItCan) {
    const std::string tokenProtocol = std::string("vortella.token.") + kToken;
    struct Case {
        const char* what;
        std::string headers;
        std::string chosen;
    };
    const Case cases[] = {
        {"none offered", "", ""},
        {"the plain one and the token's",
         "Sec-WebSocket-Protocol: " + tokenProtocol + ", vortella\r\n", "vortella"},
        {"the token's alone", "Sec-WebSocket-Protocol: " + tokenProtocol + "\r\n", tokenProtocol},
        {"only others", "Sec-WebSocket-Protocol: chat, mqtt\r\n", ""},
        {"a prefix of ours is not ours", "Sec-WebSocket-Protocol: vortellax, vortella.tok\r\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string chosen = chosenSubprotocol(head("/", c.headers));
        EXPECT_EQ(chosen, c.chosen);
        const std::string response = switchingResponse("dGhlIHNhbXBsZSBub25jZQ==", chosen);
        EXPECT_EQ(
            response.find("Sec-WebSocket-Protocol: " + c.chosen + "\r\n") != std::string::npos,
            !c.chosen.empty());
        EXPECT_NE(response.find("Sec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n"),
                  std::string::npos);
        EXPECT_EQ(response.substr(response.size() - 4), "\r\n\r\n");
    }
}

TEST(UpgradeRequest, OnlyAHeadWithAnUpgradeHeaderIsAHandshake) {
    EXPECT_TRUE(asksToUpgrade(head("/", "")));
    EXPECT_TRUE(asksToUpgrade("GET / HTTP/1.1\r\nHost: a\r\nupgrade : h2c\r\n"));
    EXPECT_FALSE(asksToUpgrade("GET / HTTP/1.1\r\nHost: a\r\nConnection: Upgrade\r\n"));
    EXPECT_FALSE(asksToUpgrade("GET /Upgrade: HTTP/1.1\r\n"));
    EXPECT_FALSE(asksToUpgrade(""));
}

TEST(UpgradeRequest, RefusalsAreWholeHttpResponsesThatEndTheConnection) {
    const std::string unauthorized = refusalResponse(UpgradeVerdict::Unauthorized);
    EXPECT_EQ(unauthorized.rfind("HTTP/1.1 401 Unauthorized\r\n", 0), 0u);
    EXPECT_NE(unauthorized.find("\r\nWWW-Authenticate: Bearer\r\n"), std::string::npos);
    EXPECT_EQ(refusalResponse(UpgradeVerdict::Forbidden).rfind("HTTP/1.1 403 Forbidden\r\n", 0),
              0u);
    EXPECT_EQ(refusalResponse(UpgradeVerdict::BadRequest).rfind("HTTP/1.1 400 Bad Request\r\n", 0),
              0u);
    for (const UpgradeVerdict v :
         {UpgradeVerdict::BadRequest, UpgradeVerdict::Unauthorized, UpgradeVerdict::Forbidden}) {
        const std::string response = refusalResponse(v);
        const std::size_t bodyAt = response.find("\r\n\r\n") + 4;
        EXPECT_NE(response.find("\r\nConnection: close\r\n"), std::string::npos);
        EXPECT_NE(response.find("\r\nContent-Length: " + std::to_string(response.size() - bodyAt) +
                                "\r\n"),
                  std::string::npos);
    }
    EXPECT_EQ(refusalResponse(UpgradeVerdict::Accept), "");
}

}  // namespace
}  // namespace vt::service
