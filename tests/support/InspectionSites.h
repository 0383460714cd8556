#pragma once

#include "support/LoopbackSites.h"

#include <memory>

namespace orvane::test {

// A small web for the page inspector, on LoopbackSites (host names reached through its proxy):
//   http://news.test/        a news page with an ad (www.doubleclick.net), a tracker
//                            (www.google-analytics.com), a widget (connect.facebook.net), its own
//                            CDN (cdn.news.test) and a frame from widgets.test, which in turn
//                            loads a widget (platform.twitter.com), an ad and a picture of its own.
//                            By the preinstalled rules: 2 ads, 1 tracker, 2 widgets.
//   http://own.test/         resources from its own host and its subdomains only: nothing counts.
//   secure.test              HTTPS with an untrusted certificate, HTTP fine; its page shows one ad.
//   http://hop.test/         redirects to http://land.test/welcome, which loads one tracker.
//   http://slow.test/        never answers.
//   http://many.test/        `kManyResources` pictures, half of them from ads.doubleclick.net.
std::unique_ptr<LoopbackSites> inspectionSites();

inline constexpr int kManyResources = 300;

} // namespace orvane::test
