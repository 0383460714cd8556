#pragma once

#include "platform/PropertyValue.h"

#include <cstdint>
#include <optional>

namespace orvane {

// Where a zone's change history was read up to. Callers keep it archived and hand it back.
class ServerChangeToken {
public:
    explicit ServerChangeToken(std::int64_t position) : position_(position) {}

    // For the record stores: the last change the token's holder has seen.
    std::int64_t position() const { return position_; }

    Bytes archive() const;
    // Absent when the bytes are not an archived token.
    static std::optional<ServerChangeToken> unarchive(const Bytes& bytes);

    bool operator==(const ServerChangeToken&) const = default;

private:
    std::int64_t position_;
};

} // namespace orvane
