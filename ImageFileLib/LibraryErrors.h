#pragma once
// Exception classes of the image-file library. Every failure carries a fixed
// English message; callers show what() to the user unchanged.
#include <stdexcept>
#include <string>

namespace ImageFile {

// The general exception of the library ("Cannot assign ...", "Unsupported pixel format", ...).
class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

class EInOutError : public Exception {
public:
  using Exception::Exception;
};

class EStreamCreate : public Exception {
public:
  using Exception::Exception;
};

class ELinearBitmap : public Exception {
public:
  using Exception::Exception;
};

class EUnsupportedFileFormat : public Exception {
public:
  using Exception::Exception;
};

// Replaces each "%s" of pattern in turn by the arguments.
std::string FormatMessage(const std::string& pattern, const std::string& a, const std::string& b = {});

// The operating system's text for an error number.
std::string SystemErrorText(int error_number);

}  // namespace ImageFile

namespace ImageFile {

// A load the user abandoned (a cancelled question): callers end it without a message.
class EAbort : public Exception {
public:
  EAbort() : Exception("Operation aborted") {}
};

}  // namespace ImageFile
