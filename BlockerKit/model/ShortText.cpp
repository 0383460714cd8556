#include "model/ShortText.h"

namespace orvane {
namespace {

bool continuesCharacter(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

} // namespace

std::string shortened(std::string_view text, std::size_t maxCharacters) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (continuesCharacter(text[i])) {
            continue;
        }
        if (characters == maxCharacters) {
            return std::string(text.substr(0, i)) + "…";
        }
        ++characters;
    }
    return std::string(text);
}

std::string quoted(std::string_view text) { return "\"" + shortened(text, 40) + "\""; }

} // namespace orvane
