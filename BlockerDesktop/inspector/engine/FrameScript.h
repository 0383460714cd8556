#pragma once

namespace orvane::inspection {

// The script world and message handler that only the inspector's script sees: a page cannot post
// into it.
inline constexpr const char* kScriptWorld = "orvane-inspector";
inline constexpr const char* kMessageHandler = "orvaneInspector";

// Runs in every frame from its start. Once the frame has loaded it posts, as JSON text, its
// address, whether it is the top frame, and the resources the frame loaded with their decoded
// sizes (the fallback when the view has no data for one). The timing buffer holds 250 entries
// unless told otherwise; a page may load far more. WebKit files some entries after the load event
// that waited for their resources (measured: 298 of 300 pictures seen from the event itself), so
// the list is read one task later.
inline constexpr const char* kFrameScript = R"js(
(() => {
  performance.setResourceTimingBufferSize(1000000);
  const report = () => {
    const resources = performance.getEntriesByType('resource').map(
      (entry) => ({url: entry.name, size: entry.decodedBodySize || 0}));
    window.webkit.messageHandlers.orvaneInspector.postMessage(
      JSON.stringify({href: location.href, isTop: window.top === window, resources}));
  };
  if (document.readyState === 'complete') {
    report();
  } else {
    window.addEventListener('load', () => setTimeout(report, 0), {once: true});
  }
})();
)js";

} // namespace orvane::inspection
