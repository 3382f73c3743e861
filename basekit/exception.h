#pragma once
// The one tree of failures. Every class is copyable; the cause is a plain
// pointer that is never owned, deep-copied or freed, so whoever throws with a
// cause keeps that cause alive for as long as anyone may ask for it.
#include <cstdint>
#include <exception>
#include <string>

#include "basekit/types.h"

namespace bk {

class Exception : public std::exception {
public:
    Exception() = default;
    explicit Exception(String message);
    Exception(String message, const Exception* cause);
    explicit Exception(const Exception* cause);
    Exception(const Exception&) = default;
    Exception& operator=(const Exception&) = default;
    ~Exception() override = default;

    // The message alone: no class name, no cause.
    virtual String to_string() const;
    virtual String message() const;
    // The innermost exception of the cause chain; itself when there is no cause.
    virtual const Exception& base_exception() const;

    const Exception* cause() const { return cause_; }
    // The message as UTF-8 for code that only knows std::exception.
    const char* what() const noexcept override { return what_.c_str(); }

protected:
    void message(String text);
    void cause(const Exception* cause) { cause_ = cause; }

private:
    String message_;
    std::string what_;
    const Exception* cause_ = nullptr;
};

class ArgumentException : public Exception {
public:
    ArgumentException() = default;
    explicit ArgumentException(String message) : Exception(std::move(message)) {}
    ArgumentException(String message, String argument_name)
        : Exception(std::move(message)), argument_name_(std::move(argument_name)) {}
    const String& argument_name() const { return argument_name_; }

private:
    String argument_name_;
};

class OutOfRangeException : public Exception {
public:
    OutOfRangeException() = default;
    explicit OutOfRangeException(String message) : Exception(std::move(message)) {}
};

class OutOfMemoryException : public Exception {
public:
    OutOfMemoryException() : Exception(u"Out of memory") {}
    explicit OutOfMemoryException(String message) : Exception(std::move(message)) {}
};

class InvalidOperationException : public Exception {
public:
    InvalidOperationException() : Exception(u"Invalid operation exception") {}
    explicit InvalidOperationException(String message) : Exception(std::move(message)) {}
    InvalidOperationException(String message, const Exception* cause)
        : Exception(std::move(message), cause) {}
};

class FormatException : public Exception {
public:
    FormatException() : Exception(u"Invalid format") {}
    explicit FormatException(String message) : Exception(std::move(message)) {}
    FormatException(String message, const Exception* cause) : Exception(std::move(message), cause) {}
};

// A failure of input or output. Platform failures carry the system's error
// code (0 when the failure did not come from the platform) and the path that
// was being worked on, beside the platform's text in the message.
class IOException : public Exception {
public:
    IOException() : Exception(u"I/O exception") {}
    explicit IOException(String message) : Exception(std::move(message)) {}
    IOException(String message, std::int32_t error_code, String path = {})
        : Exception(std::move(message)), error_code_(error_code), path_(std::move(path)) {}

    std::int32_t error_code() const { return error_code_; }
    const String& path() const { return path_; }

private:
    std::int32_t error_code_ = 0;
    String path_;
};

class FileNotFoundException : public IOException {
public:
    FileNotFoundException() : IOException(u"File not found") {}
    explicit FileNotFoundException(String message) : IOException(std::move(message)) {}
};

class DirectoryNotFoundException : public IOException {
public:
    DirectoryNotFoundException() : IOException(u"Directory not found") {}
    explicit DirectoryNotFoundException(String message) : IOException(std::move(message)) {}
};

class EOFException : public IOException {
public:
    EOFException() : IOException(u"Have reached the end of file") {}
    explicit EOFException(String message) : IOException(std::move(message)) {}
};

class InstantiationException : public Exception {
public:
    InstantiationException() = default;
    explicit InstantiationException(String message) : Exception(std::move(message)) {}
    InstantiationException(String message, const Exception* cause)
        : Exception(std::move(message), cause) {}
};

class ClassFoundException : public Exception {
public:
    ClassFoundException() = default;
    explicit ClassFoundException(String message) : Exception(std::move(message)) {}
};

}  // namespace bk
