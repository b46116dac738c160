#include "update/Updater.h"

#include <curl/curl.h>

#include <atomic>
#include <mutex>
#include <string_view>

namespace glyphon {

namespace {

// Live updaters plus one; the check runs on the window's thread only, the
// atomic just keeps the count honest if that ever changes.
std::atomic<int> liveUpdaters{1};

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
    std::string body;
    std::string statusLine;  // the last "HTTP/..." line seen, line end removed
    bool tooLarge = false;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t len = size * count;
    if (t->body.size() + len > TUpdater::kMaxBodyBytes) {
        t->tooLarge = true;
        return 0;  // makes the transfer fail
    }
    t->body.append(data, len);
    return len;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t len = size * count;
    std::string_view line(data, len);
    // Every response (an interim "100 Continue" too) starts with its status
    // line; the final one is the last seen.
    if (line.substr(0, 5) == "HTTP/") {
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
        t->statusLine.assign(line);
    }
    return len;
}

// "HTTP/1.1 404 Not Found" -> "404 Not Found": the status line without its
// protocol field, reason phrase as the server sent it.
std::string WithoutProtocol(const std::string& statusLine, long code) {
    const size_t space = statusLine.find(' ');
    if (space == std::string::npos) return std::to_string(code);
    return statusLine.substr(space + 1);
}

}  // namespace

std::unique_ptr<TUpdater> TUpdater::Create(UpdateUi& ui, UpdaterTimeouts timeouts) {
    if (liveUpdaters.load() > 1) {
        ui.ShowMessage("Max Updaters created");
        return nullptr;
    }
    return std::unique_ptr<TUpdater>(new TUpdater(ui, timeouts));
}

TUpdater::TUpdater(UpdateUi& ui, UpdaterTimeouts timeouts) : ui_(ui), timeouts_(timeouts) {
    InitCurlOnce();
    curl_ = curl_easy_init();
    ++liveUpdaters;
}

TUpdater::~TUpdater() {
    if (curl_) curl_easy_cleanup(static_cast<CURL*>(curl_));
    --liveUpdaters;
}

int TUpdater::LiveCounter() { return liveUpdaters.load(); }

bool TUpdater::Get(const std::string& url, std::string& body, std::string& error) {
    CURL* curl = static_cast<CURL*>(curl_);
    if (!curl) {
        error = curl_easy_strerror(CURLE_FAILED_INIT);
        return false;
    }
    curl_easy_reset(curl);

    Transfer t;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    // Plain HTTP/1.x to exactly the URL asked: no other scheme, no redirect.
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Glyphon");
    // The window waits for the answer, so the wait is bounded.
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeouts_.connectMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeouts_.totalMs);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &t);

    const CURLcode rc = curl_easy_perform(curl);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, static_cast<char*>(nullptr));
    if (rc != CURLE_OK) {
        if (t.tooLarge)
            error = "Version page larger than " + std::to_string(kMaxBodyBytes) + " bytes";
        else
            error = errorBuffer[0] ? errorBuffer : curl_easy_strerror(rc);
        return false;
    }
    long code = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
    if (code < 200 || code > 299) {
        error = WithoutProtocol(t.statusLine, code);
        return false;
    }
    body = std::move(t.body);
    return true;
}

std::string TUpdater::Fetch(const std::string& host, const std::string& path, long port) {
    const std::string url = "http://" + host + ":" + std::to_string(port) + "/" + path;
    std::string body, error;
    if (Get(url, body, error)) return body;
    if (error == "404 Not Found")
        ui_.Information("Server Down. Retry later. Error : " + error);
    else
        ui_.Information("You are Offline. Connect to internet and retry. Error : " + error);
    return std::string();
}

void TUpdater::CheckForUpdate(const std::string& currentVersion, const std::string& host,
                              const std::string& path, const std::string& downloadPage, long port) {
    const std::string found = Fetch(host, path, port);
    if (found.empty()) return;
    if (found == currentVersion) {
        ui_.ShowMessage("No updates found.");
        return;
    }
    if (ui_.AskYesNo("Update Found. Version :" + found + "\r" + "Update Now ?")) ui_.OpenUrl(downloadPage);
}

void CheckVersion(UpdateUi& ui, const std::string& currentVersion, const VersionEndpoint& endpoint,
                  UpdaterTimeouts timeouts) {
    std::unique_ptr<TUpdater> updater = TUpdater::Create(ui, timeouts);
    if (!updater) return;
    updater->CheckForUpdate(currentVersion, endpoint.host, endpoint.path, endpoint.downloadPage,
                            endpoint.port);
}

}  // namespace glyphon
