#pragma once

namespace orvane::desktop {

// The scheme of the help pages, "orvane-help:": its paths are served from the help folder of
// the application's resources by this process, so the pages need neither network nor files.
inline constexpr const char* kHelpScheme = "orvane-help";

// Registers the scheme with WebKit's default web context, once per process. It counts as a
// secure origin.
void registerHelpScheme();

} // namespace orvane::desktop
