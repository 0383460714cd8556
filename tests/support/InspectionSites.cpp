#include "support/InspectionSites.h"

#include <string>

namespace orvane::test {
namespace {

// A 1×1 transparent PNG.
constexpr unsigned char kPixel[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
    0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1F, 0x15, 0xC4, 0x89, 0x00, 0x00, 0x00,
    0x0D, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x00, 0x01, 0x00, 0x00, 0x05, 0x00, 0x01, 0x0D, 0x0A, 0x2D,
    0xB4, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

std::string pixel() { return std::string(reinterpret_cast<const char*>(kPixel), sizeof kPixel); }

LoopbackSites::Page html(std::string body) { return {std::move(body), "text/html", 200, {}, false}; }
LoopbackSites::Page script(std::string body) { return {std::move(body), "text/javascript", 200, {}, false}; }
LoopbackSites::Page image() { return {pixel(), "image/png", 200, {}, false}; }

} // namespace

std::unique_ptr<LoopbackSites> inspectionSites() {
    auto sites = std::make_unique<LoopbackSites>(
        std::vector<LoopbackSites::Site>{{"news.test"},
                                         {"cdn.news.test"},
                                         {"widgets.test"},
                                         {"www.doubleclick.net"},
                                         {"ads.doubleclick.net"},
                                         {"www.google-analytics.com"},
                                         {"connect.facebook.net"},
                                         {"platform.twitter.com"},
                                         {"own.test"},
                                         {"img.own.test"},
                                         {"secure.test", true},
                                         {"hop.test"},
                                         {"land.test"},
                                         {"slow.test"},
                                         {"many.test"}},
        std::filesystem::path(ORVANE_TEST_DATA) / "inspector" / "self-signed.pem");

    sites->addPage("news.test", "/", html(R"(<!DOCTYPE html><html><head><title>Morning News</title>
<link rel="stylesheet" href="/style.css">
<script src="http://www.google-analytics.com/analytics.js"></script>
<script src="http://connect.facebook.net/sdk.js"></script></head>
<body style="font-family: sans-serif; background: #f4f1ea">
<h1>Morning News</h1><img src="http://cdn.news.test/logo.png" width="40" height="40">
<p>All the news that fits, and a few things that do not.</p>
<img src="http://www.doubleclick.net/banner.png" width="300" height="50">
<iframe src="http://widgets.test/frame" width="300" height="120"></iframe>
</body></html>)"));
    sites->addPage("news.test", "/style.css", {"h1 { color: #333; }", "text/css", 200, {}, false});
    sites->addPage("cdn.news.test", "/logo.png", image());
    sites->addPage("www.google-analytics.com", "/analytics.js", script("window.tracked = true;"));
    sites->addPage("connect.facebook.net", "/sdk.js", script("window.liked = true;"));
    sites->addPage("www.doubleclick.net", "/banner.png", image());
    sites->addPage("www.doubleclick.net", "/frame-ad.png", image());
    sites->addPage("widgets.test", "/frame", html(R"(<!DOCTYPE html><html><body>
<script src="http://platform.twitter.com/widgets.js"></script>
<img src="/own.png"><img src="http://www.doubleclick.net/frame-ad.png"></body></html>)"));
    sites->addPage("widgets.test", "/own.png", image());
    sites->addPage("platform.twitter.com", "/widgets.js", script("window.tweeted = true;"));

    sites->addPage("own.test", "/", html(R"(<!DOCTYPE html><html><head><link rel="stylesheet" href="/a.css">
</head><body><img src="http://img.own.test/b.png"><img src="/c.png"></body></html>)"));
    sites->addPage("own.test", "/a.css", {"body { margin: 0; }", "text/css", 200, {}, false});
    sites->addPage("own.test", "/c.png", image());
    sites->addPage("img.own.test", "/b.png", image());

    sites->addPage("secure.test", "/", html(R"(<!DOCTYPE html><html><body>
<img src="http://www.doubleclick.net/banner.png"></body></html>)"));

    sites->addPage("hop.test", "/", {"", "text/html", 302, "http://land.test/welcome", false});
    sites->addPage("land.test", "/welcome", html(R"(<!DOCTYPE html><html><body>
<script src="http://www.google-analytics.com/analytics.js"></script></body></html>)"));

    sites->addPage("slow.test", "/", {"", "text/html", 200, {}, true});

    std::string many = "<!DOCTYPE html><html><body>";
    for (int index = 0; index < kManyResources; ++index) {
        const std::string path = "/" + std::to_string(index) + ".png";
        if (index % 2 == 0) {
            sites->addPage("ads.doubleclick.net", path, image());
            many += "<img src=\"http://ads.doubleclick.net" + path + "\">";
        } else {
            sites->addPage("many.test", path, image());
            many += "<img src=\"" + path + "\">";
        }
    }
    sites->addPage("many.test", "/", html(many + "</body></html>"));
    return sites;
}

} // namespace orvane::test
