// Why a call of the page failed: the kinds the page sees as its Error's name, with a message
// that says what was wrong.
#pragma once

#include <string>
#include <string_view>
#include <variant>

namespace tessaly {

enum class FailureKind {
    InvalidArgument,
    InvalidPath,
    NotFound,
    TooLarge,
    NotAllowed,
    IOError,
    UnknownMethod,
    Busy,                  // still busy with earlier calls: the page may retry once they are done
    ExtensionUnavailable,  // a native extension that could not be loaded
    ExtensionError,        // a native extension that answered with something that is not JSON
    Named,                 // a native extension's own error, named by the extension
};

struct Failure {
    FailureKind kind;
    std::string message;
    std::string name = {};  // a Named failure's name
};

// A failure whose message names what it is about: "\"saves/a.txt\" does not exist".
Failure FailureAbout(FailureKind kind, std::string_view subject, std::string_view what);

// "InvalidArgument", "InvalidPath", ...: the name the page's Error carries.
std::string_view FailureName(FailureKind kind);
std::string_view FailureName(const Failure& failure);

// A value, or why there is none.
template <class T>
using Outcome = std::variant<T, Failure>;

}  // namespace tessaly
