// The version check: fetches one short page over HTTP and compares its body
// with the running version. One updater lives for one "Check Version" click.
#pragma once

#include <memory>
#include <string>

#include "update/Endpoints.h"
#include "update/UpdateUi.h"

namespace glyphon {

// How long a request may hold the window: establishing the connection, and
// the whole request including it.
struct UpdaterTimeouts {
    long connectMs = update::kConnectTimeoutMs;
    long totalMs = update::kTotalTimeoutMs;
};

class TUpdater {
public:
    // Makes an updater only while no other one is alive; otherwise shows
    // "Max Updaters created" and returns nullptr.
    static std::unique_ptr<TUpdater> Create(UpdateUi& ui, UpdaterTimeouts timeouts = {});
    ~TUpdater();
    TUpdater(const TUpdater&) = delete;
    TUpdater& operator=(const TUpdater&) = delete;

    // The process-wide counter of live updaters: 1 with none alive, one more
    // for each updater.
    static int LiveCounter();

    // Fetches the version page and tells the user what it found: nothing
    // (empty page or failure already reported), "No updates found.", or the
    // question whose Yes opens downloadPage.
    void CheckForUpdate(const std::string& currentVersion, const std::string& host, const std::string& path,
                        const std::string& downloadPage, long port = update::kPort);

    // GET of "http://" + host + ":" + port + "/" + path. Returns the whole
    // body, or an empty text after showing why the page could not be had.
    std::string Fetch(const std::string& host, const std::string& path, long port = update::kPort);

    // Largest version page accepted; anything longer is refused as an error
    // instead of filling memory and a dialog.
    static constexpr std::size_t kMaxBodyBytes = 64 * 1024;

private:
    TUpdater(UpdateUi& ui, UpdaterTimeouts timeouts);

    // Runs the request; on failure returns false with the error's message.
    bool Get(const std::string& url, std::string& body, std::string& error);

    UpdateUi& ui_;
    UpdaterTimeouts timeouts_;
    void* curl_;  // the HTTP client (a CURL easy handle)
};

// Where one check asks and where it sends the user.
struct VersionEndpoint {
    std::string host = update::kHost;
    long port = update::kPort;
    std::string path = update::kVersionPath;
    std::string downloadPage = update::kDownloadPage;
};

// One "Check Version" click: makes an updater, checks, frees it.
void CheckVersion(UpdateUi& ui, const std::string& currentVersion, const VersionEndpoint& endpoint = {},
                  UpdaterTimeouts timeouts = {});

}  // namespace glyphon
