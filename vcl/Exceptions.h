// Exceptions of the framework stand-in: class registry, property access, palette and form text.
#pragma once

#include <stdexcept>

// The framework reports misuse and malformed form text by exception; the TBlowfish operations never throw.
class EVclError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A class name that is not registered, or registered for another class.
class EClassError : public EVclError {
 public:
  using EVclError::EVclError;
};

// No such published property, or a value of the wrong type.
class EPropertyError : public EVclError {
 public:
  using EVclError::EVclError;
};

// A palette registration that contradicts an earlier one.
class EComponentError : public EVclError {
 public:
  using EVclError::EVclError;
};

// Form text that cannot be read; the message names the line.
class EReadError : public EVclError {
 public:
  using EVclError::EVclError;
};

// A component that cannot be written as form text (unregistered class, name that is not an identifier).
class EWriteError : public EVclError {
 public:
  using EVclError::EVclError;
};
