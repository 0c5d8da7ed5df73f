// Exception classes of the library. Every failure is an exception carrying the message text that
// the user sees; the class tells callers what kind of failure it was.
#pragma once

#include <stdexcept>
#include <string>

namespace kv {

// Base of every error the library raises on purpose.
class EKvError : public std::runtime_error {
 public:
  explicit EKvError(const std::string& message) : std::runtime_error(message) {}
};

// Malformed or truncated stream data ("Stream read error", "Invalid stream format", ...).
class EStreamError : public EKvError {
 public:
  using EKvError::EKvError;
};

// A read that would go past the end of a stream.
class EReadError : public EStreamError {
 public:
  EReadError() : EStreamError("Stream read error") {}
  using EStreamError::EStreamError;
};

// A file that cannot be opened, created, written, renamed or removed.
class EFileError : public EKvError {
 public:
  using EKvError::EKvError;
};

// Invalid configuration or arguments given by the user.
class EConfigError : public EKvError {
 public:
  using EKvError::EKvError;
};

// An index outside a list ("List index out of bounds (5)").
class EListError : public EKvError {
 public:
  using EKvError::EKvError;
};

// A text that is not a valid number ("'12x' is not a valid integer value").
class EConvertError : public EKvError {
 public:
  using EKvError::EKvError;
};

// A component that is not of the class its use requires ("Invalid class typecast").
class EInvalidCast : public EKvError {
 public:
  EInvalidCast() : EKvError("Invalid class typecast") {}
  using EKvError::EKvError;
};

}  // namespace kv
