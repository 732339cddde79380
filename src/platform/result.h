#pragma once
// A small expected-like result: a value, or an error message meant for a person.

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace gf {

struct Error {
    std::string Message;
    // The system's reason when a file operation failed ("No space left on device"), already
    // part of Message; kept apart for texts of the program's own that show it on a line below.
    std::string Cause = {};
};

template <class T>
class Result {
  public:
    Result(T value) : State(std::move(value)) {}
    Result(Error error) : State(std::move(error)) {}

    bool Ok() const { return State.index() == 0; }
    explicit operator bool() const { return Ok(); }

    T& Value() & { return std::get<0>(State); }
    const T& Value() const& { return std::get<0>(State); }
    T&& Value() && { return std::get<0>(std::move(State)); }
    T* operator->() { return &Value(); }
    const T* operator->() const { return &Value(); }
    T& operator*() & { return Value(); }
    const T& operator*() const& { return Value(); }

    const std::string& ErrorMessage() const { return std::get<1>(State).Message; }
    const Error& GetError() const { return std::get<1>(State); }

  private:
    std::variant<T, Error> State;
};

// Result of an operation that yields nothing but success or an error.
class Status {
  public:
    Status() = default;
    Status(Error error) : Failure(std::move(error)) {}
    static Status Success() { return {}; }

    bool Ok() const { return !Failure.has_value(); }
    explicit operator bool() const { return Ok(); }
    const std::string& ErrorMessage() const { return Failure->Message; }
    const std::string& ErrorCause() const { return Failure->Cause; }

  private:
    std::optional<Error> Failure;
};

}  // namespace gf
