#pragma once

#include "platform/Expected.h"

#include <string>

namespace orvane {

enum class StorageErrorCode {
    NotEncodable, // a text in the packages is not valid UTF-8
    WriteFailed,  // the file system refused the file; the previous file is intact
};

struct StorageError {
    StorageErrorCode code;
    std::string message;
};

using StorageResult = Expected<void, StorageError>;

} // namespace orvane
