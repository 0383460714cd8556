#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

namespace orvane::test {

// The value of an optional (or the object behind a pointer) that a test goes on to use. When
// there is none the case fails and ends there, rather than reading what is not there.
struct MissingValue : std::runtime_error {
    MissingValue() : std::runtime_error("a value the test needs is missing") {}
};

template <typename T>
const T& present(const std::optional<T>& value) {
    if (!value) {
        ADD_FAILURE() << "expected a value, found none";
        throw MissingValue();
    }
    return *value;
}

template <typename T>
const T& present(const T* pointer) {
    if (pointer == nullptr) {
        ADD_FAILURE() << "expected an object, found none";
        throw MissingValue();
    }
    return *pointer;
}

} // namespace orvane::test
