#include "app/WindowFrame.h"

#include "platform/UserDefaults.h"

namespace orvane {
namespace {

constexpr const char* kWindowFrameKey = "OrvaneWindow";

std::optional<int> integer(const PropertyDictionary& dictionary, const char* key) {
    auto value = dictionary.find(key);
    if (value == dictionary.end()) {
        return std::nullopt;
    }
    auto number = value->second.asInteger();
    return number ? std::optional<int>(static_cast<int>(*number)) : std::nullopt;
}

} // namespace

std::optional<WindowFrame> savedWindowFrame() {
    auto stored = UserDefaults::standard().dictionaryForKey(kWindowFrameKey);
    if (!stored) {
        return std::nullopt;
    }
    auto width = integer(*stored, "width");
    auto height = integer(*stored, "height");
    if (!width || !height) {
        return std::nullopt;
    }
    auto maximized = stored->find("maximized");
    return WindowFrame{*width, *height, maximized != stored->end() && maximized->second.asBool().value_or(false)};
}

void saveWindowFrame(const WindowFrame& frame) {
    UserDefaults& defaults = UserDefaults::standard();
    defaults.set(kWindowFrameKey,
                 PropertyDictionary{{"width", frame.width}, {"height", frame.height}, {"maximized", frame.maximized}});
    defaults.synchronize();
}

} // namespace orvane
