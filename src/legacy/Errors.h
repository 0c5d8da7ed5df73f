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

}  // namespace kv
