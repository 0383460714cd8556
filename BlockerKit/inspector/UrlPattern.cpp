#include "inspector/UrlPattern.h"

namespace orvane {

re2::RE2::Options urlPatternOptions() {
    re2::RE2::Options options;
    options.set_case_sensitive(false);
    options.set_encoding(re2::RE2::Options::EncodingUTF8);
    options.set_log_errors(false);
    options.set_never_capture(true);
    return options;
}

std::unique_ptr<re2::RE2> compileUrlPattern(std::string_view pattern) {
    auto compiled = std::make_unique<re2::RE2>(re2::StringPiece(pattern.data(), pattern.size()), urlPatternOptions());
    if (!compiled->ok()) {
        return nullptr;
    }
    return compiled;
}

bool searchUrl(const re2::RE2& pattern, std::string_view text) {
    return re2::RE2::PartialMatch(re2::StringPiece(text.data(), text.size()), pattern);
}

} // namespace orvane
