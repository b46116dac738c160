#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "update/LocalHttpServer.h"
#include "update/Updater.h"

namespace glyphon {
namespace {

using test::FreeLocalPort;
using test::HttpResponse;
using test::LocalHttpServer;

// The local server is reached directly even where the environment names a
// proxy for the real network.
const bool kNoProxy = [] {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(name);
    return true;
}();

const char* const kOffline = "You are Offline. Connect to internet and retry. Error : ";
const char* const kDownload = "http://127.0.0.1/divx/SoftwareGlyphon.html";

// Records every dialog and answers the update question with `answerYes`.
class RecordingUi : public UpdateUi {
public:
    std::vector<std::string> messages, information, questions, urls;
    bool answerYes = false;

    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void Information(const std::string& text) override { information.push_back(text); }
    bool AskYesNo(const std::string& text) override {
        questions.push_back(text);
        return answerYes;
    }
    void OpenUrl(const std::string& url) override { urls.push_back(url); }

    bool Silent() const {
        return messages.empty() && information.empty() && questions.empty() && urls.empty();
    }
};

VersionEndpoint Local(long port, const std::string& host = "127.0.0.1") {
    VersionEndpoint e;
    e.host = host;
    e.port = port;
    e.downloadPage = kDownload;
    return e;
}

// Short waits so that the failure cases stay quick.
constexpr UpdaterTimeouts kShort{1000, 1000};

// The one information message of a failed fetch, with nothing else shown.
std::string OnlyInformation(const RecordingUi& ui) {
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_TRUE(ui.urls.empty());
    EXPECT_EQ(ui.information.size(), 1u);
    return ui.information.empty() ? std::string() : ui.information.front();
}

TEST(VersionCheck, SameVersionSaysNoUpdatesAndAsksForTheVersionPage) {
    LocalHttpServer server(HttpResponse("HTTP/1.1 200 OK", "42.9"));
    RecordingUi ui;
    CheckVersion(ui, "42.9", Local(server.port()));

    EXPECT_EQ(ui.messages, std::vector<std::string>{"No updates found."});
    EXPECT_TRUE(ui.information.empty());
    EXPECT_TRUE(ui.questions.empty());
    ASSERT_EQ(server.requests().size(), 1u);
    const std::string head = server.requests().front();
    EXPECT_EQ(head.rfind("GET /divx/Versions/GlyphonVersion.html HTTP/1.1\r\n", 0), 0u) << head;
    EXPECT_NE(head.find("\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"), std::string::npos)
        << head;
}

TEST(VersionCheck, ComparisonIsExactSoAnyOtherBodyIsOfferedAsUpdate) {
    // A trailing line break, another letter case or surrounding blanks all
    // make a different version.
    for (const std::string body : {"42.9\r\n", "42.9\n", " 42.9", "43.0", "V42.9"}) {
        SCOPED_TRACE(body);
        LocalHttpServer server(HttpResponse("HTTP/1.1 200 OK", body));
        RecordingUi ui;
        CheckVersion(ui, "42.9", Local(server.port()));
        EXPECT_TRUE(ui.messages.empty());
        EXPECT_EQ(ui.questions,
                  std::vector<std::string>{"Update Found. Version :" + body + "\rUpdate Now ?"});
        EXPECT_TRUE(ui.urls.empty());  // answered No
    }
}

TEST(VersionCheck, YesOpensTheDownloadPage) {
    LocalHttpServer server(HttpResponse("HTTP/1.1 200 OK", "43.0"));
    RecordingUi ui;
    ui.answerYes = true;
    CheckVersion(ui, "42.9", Local(server.port()));
    EXPECT_EQ(ui.questions.size(), 1u);
    EXPECT_EQ(ui.urls, std::vector<std::string>{kDownload});
}

TEST(VersionCheck, EmptyBodyShowsNothing) {
    for (const char* status : {"HTTP/1.1 200 OK", "HTTP/1.1 204 No Content"}) {
        SCOPED_TRACE(status);
        LocalHttpServer server(HttpResponse(status, ""));
        RecordingUi ui;
        CheckVersion(ui, "42.9", Local(server.port()));
        EXPECT_TRUE(ui.Silent());
        EXPECT_EQ(server.requests().size(), 1u);
    }
}

TEST(VersionCheckFailure, NotFoundSaysServerDown) {
    for (const char* status : {"HTTP/1.1 404 Not Found", "HTTP/1.0 404 Not Found"}) {
        SCOPED_TRACE(status);
        LocalHttpServer server(HttpResponse(status, "<html>gone</html>"));
        RecordingUi ui;
        CheckVersion(ui, "42.9", Local(server.port()));
        EXPECT_EQ(OnlyInformation(ui), "Server Down. Retry later. Error : 404 Not Found");
    }
}

TEST(VersionCheckFailure, OtherStatusSaysOfflineWithTheServersStatusText) {
    // The reason phrase is the server's own; only "404 Not Found" means the
    // server is down.
    const std::pair<const char*, const char*> cases[] = {
        {"HTTP/1.1 500 Internal Server Error", "500 Internal Server Error"},
        {"HTTP/1.1 404 Missing", "404 Missing"},
        {"HTTP/1.1 404 not found", "404 not found"},
        {"HTTP/1.1 503 Service Unavailable", "503 Service Unavailable"},
    };
    for (const auto& [status, text] : cases) {
        SCOPED_TRACE(status);
        LocalHttpServer server(HttpResponse(status, "42.9"));
        RecordingUi ui;
        CheckVersion(ui, "42.9", Local(server.port()));
        EXPECT_EQ(OnlyInformation(ui), std::string(kOffline) + text);
    }
}

TEST(VersionCheckFailure, RedirectIsAnErrorAndNotFollowed) {
    LocalHttpServer server(
        HttpResponse("HTTP/1.1 301 Moved Permanently", "", "Location: /divx/Versions/Elsewhere.html\r\n"));
    RecordingUi ui;
    CheckVersion(ui, "42.9", Local(server.port()));
    EXPECT_EQ(OnlyInformation(ui), std::string(kOffline) + "301 Moved Permanently");
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST(VersionCheckFailure, RefusedConnectionSaysOfflineWithTheNetworkMessage) {
    RecordingUi ui;
    CheckVersion(ui, "42.9", Local(FreeLocalPort()), kShort);
    const std::string info = OnlyInformation(ui);
    ASSERT_EQ(info.rfind(kOffline, 0), 0u) << info;
    EXPECT_GT(info.size(), std::string(kOffline).size()) << "the network layer's message is missing";
}

TEST(VersionCheckFailure, UnknownHostSaysOfflineWithTheNetworkMessage) {
    RecordingUi ui;
    CheckVersion(ui, "42.9", Local(80, "glyphon-update-test.invalid"), kShort);
    const std::string info = OnlyInformation(ui);
    ASSERT_EQ(info.rfind(kOffline, 0), 0u) << info;
    EXPECT_GT(info.size(), std::string(kOffline).size()) << "the network layer's message is missing";
}

TEST(VersionCheckFailure, ServerThatNeverAnswersTimesOutAsOffline) {
    LocalHttpServer server = LocalHttpServer::Silent();
    RecordingUi ui;
    CheckVersion(ui, "42.9", Local(server.port()), UpdaterTimeouts{1000, 1000});
    const std::string info = OnlyInformation(ui);
    ASSERT_EQ(info.rfind(kOffline, 0), 0u) << info;
    EXPECT_NE(info.find("timed out"), std::string::npos) << info;
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST(VersionCheckFailure, OversizedPageIsRefusedInsteadOfOffered) {
    LocalHttpServer server(HttpResponse("HTTP/1.1 200 OK", std::string(TUpdater::kMaxBodyBytes + 1, '9')));
    RecordingUi ui;
    CheckVersion(ui, "42.9", Local(server.port()));
    EXPECT_EQ(OnlyInformation(ui), std::string(kOffline) + "Version page larger than 65536 bytes");
}

TEST(UpdaterLimit, SecondUpdaterWhileOneLivesIsRefused) {
    RecordingUi ui;
    ASSERT_EQ(TUpdater::LiveCounter(), 1);
    {
        std::unique_ptr<TUpdater> first = TUpdater::Create(ui);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(TUpdater::LiveCounter(), 2);
        EXPECT_TRUE(ui.messages.empty());

        EXPECT_EQ(TUpdater::Create(ui), nullptr);
        EXPECT_EQ(ui.messages, std::vector<std::string>{"Max Updaters created"});
        EXPECT_EQ(TUpdater::LiveCounter(), 2);
    }
    EXPECT_EQ(TUpdater::LiveCounter(), 1);
    EXPECT_NE(TUpdater::Create(ui), nullptr);  // free again once the first is gone
    EXPECT_EQ(TUpdater::LiveCounter(), 1);
}

TEST(UpdaterLimit, CheckWhileAnUpdaterLivesAsksNothing) {
    LocalHttpServer server(HttpResponse("HTTP/1.1 200 OK", "43.0"));
    RecordingUi ui;
    std::unique_ptr<TUpdater> alive = TUpdater::Create(ui);
    CheckVersion(ui, "42.9", Local(server.port()));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Max Updaters created"});
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_TRUE(server.requests().empty());
}

TEST(UpdaterLimit, OneUpdaterChecksTwiceOnTheSameClient) {
    LocalHttpServer server(HttpResponse("HTTP/1.1 200 OK", "42.9"));
    RecordingUi ui;
    std::unique_ptr<TUpdater> updater = TUpdater::Create(ui);
    ASSERT_NE(updater, nullptr);
    updater->CheckForUpdate("42.9", "127.0.0.1", update::kVersionPath, kDownload, server.port());
    updater->CheckForUpdate("42.9", "127.0.0.1", update::kVersionPath, kDownload, server.port());
    EXPECT_EQ(ui.messages, (std::vector<std::string>{"No updates found.", "No updates found."}));
}

}  // namespace
}  // namespace glyphon
