#include "basekit/exception.h"

#include "basekit/convertion.h"

namespace bk {

Exception::Exception(String message) { this->message(std::move(message)); }

Exception::Exception(String message, const Exception* cause) : cause_(cause) {
    this->message(std::move(message));
}

Exception::Exception(const Exception* cause) : cause_(cause) {}

String Exception::to_string() const { return message_; }

String Exception::message() const { return message_; }

const Exception& Exception::base_exception() const {
    const Exception* current = this;
    while (current->cause_ != nullptr) current = current->cause_;
    return *current;
}

void Exception::message(String text) {
    message_ = std::move(text);
    what_ = to_utf8(message_);
}

}  // namespace bk
