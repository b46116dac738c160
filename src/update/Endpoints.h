// Where the About window sends the user and where the version check asks.
// The host is a build-time setting: -DGLYPHON_UPDATE_HOST="\"my.host\""
// replaces the default below, and every page follows it.
#pragma once

#ifndef GLYPHON_UPDATE_HOST
#define GLYPHON_UPDATE_HOST "glyphon.example.org"
#endif

#ifndef GLYPHON_UPDATE_PORT
#define GLYPHON_UPDATE_PORT 80
#endif

#ifndef GLYPHON_CONTACT_ADDRESS
#define GLYPHON_CONTACT_ADDRESS "morvane@" GLYPHON_UPDATE_HOST
#endif

namespace glyphon::update {

// The server that publishes the current version and the download page.
inline constexpr const char* kHost = GLYPHON_UPDATE_HOST;
inline constexpr long kPort = GLYPHON_UPDATE_PORT;

// The page whose whole body is the newest version number, e.g. "42.9".
inline constexpr const char* kVersionPath = "divx/Versions/GlyphonVersion.html";

// Opened in the browser when the user accepts an update.
inline constexpr const char* kDownloadPage = "http://" GLYPHON_UPDATE_HOST "/divx/SoftwareGlyphon.html";

// The project's own site, its name on the "Visit the official site" button,
// the contact address, the donation page and the page thanking the helpers.
inline constexpr const char* kSiteUrl = "http://" GLYPHON_UPDATE_HOST "/";
inline constexpr const char* kSiteName = GLYPHON_UPDATE_HOST;
inline constexpr const char* kContactAddress = GLYPHON_CONTACT_ADDRESS;
inline constexpr const char* kDonatePage = "http://" GLYPHON_UPDATE_HOST "/donate.html";
inline constexpr const char* kThanksPage = "http://" GLYPHON_UPDATE_HOST "/thanks.html";

// A request never holds the window longer than this.
inline constexpr long kConnectTimeoutMs = 10000;
inline constexpr long kTotalTimeoutMs = 20000;

}  // namespace glyphon::update
