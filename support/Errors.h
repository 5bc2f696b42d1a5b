// The system's own exception types. Each carries its message text; the top-level
// error report shows the type's name and the text.
#ifndef KEST_SUPPORT_ERRORS_H
#define KEST_SUPPORT_ERRORS_H

#include <exception>
#include <string>

// Common base of every error the system raises on purpose. It keeps its text in a
// std::string of its own: std::runtime_error keeps it in a second, older string type of
// the GCC library, whose code alone would add a third to the size of the executable.
class KestError : public std::exception {
public:
    explicit KestError(const std::string& message) : message_(message) {}
    const char* what() const noexcept override { return message_.c_str(); }
    virtual const char* TypeName() const { return "KestError"; }

private:
    std::string message_;
};

// The support library's own error (raised by the administrator test).
class SystemError : public KestError {
public:
    explicit SystemError(const std::string& message) : KestError(message) {}
    const char* TypeName() const override { return "SystemError"; }
};

// "Invalid data type for '%s'", "Failed to get data for '%s'", "Failed to set data for '%s'".
class RegistryError : public KestError {
public:
    explicit RegistryError(const std::string& message) : KestError(message) {}
    const char* TypeName() const override { return "RegistryError"; }
};

// A file that cannot be created: `Cannot create file "%s". %s`.
class FileCreateError : public KestError {
public:
    explicit FileCreateError(const std::string& message) : KestError(message) {}
    const char* TypeName() const override { return "FileCreateError"; }
};

// An input/output failure, such as a current folder that cannot be changed.
class InOutError : public KestError {
public:
    explicit InOutError(const std::string& message) : KestError(message) {}
    const char* TypeName() const override { return "InOutError"; }
};

// A text that does not convert to a number.
class ConvertError : public KestError {
public:
    explicit ConvertError(const std::string& message) : KestError(message) {}
    const char* TypeName() const override { return "ConvertError"; }
};

#endif
