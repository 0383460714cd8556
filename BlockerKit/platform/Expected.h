#pragma once

#include <cassert>
#include <optional>
#include <utility>
#include <variant>

namespace orvane {

// A value or the error that kept it from being made: what an operation that can fail returns.
// Each subsystem has its own error type, so a caller sees which failures it has to handle.
template <typename T, typename E>
class [[nodiscard]] Expected {
public:
    Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Expected(E error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    const T& value() const& {
        assert(ok());
        return std::get<0>(state_);
    }
    T& value() & {
        assert(ok());
        return std::get<0>(state_);
    }
    T&& value() && {
        assert(ok());
        return std::get<0>(std::move(state_));
    }
    const T& operator*() const& { return value(); }
    const T* operator->() const { return &value(); }

    const E& error() const {
        assert(!ok());
        return std::get<1>(state_);
    }

private:
    std::variant<T, E> state_;
};

// Success without a value, or the error.
template <typename E>
class [[nodiscard]] Expected<void, E> {
public:
    Expected() = default;
    Expected(E error) : error_(std::move(error)) {}

    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }

    const E& error() const {
        assert(!ok());
        return *error_;
    }

private:
    std::optional<E> error_;
};

} // namespace orvane
