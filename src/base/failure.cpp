#include "base/failure.h"

namespace tessaly {

Failure FailureAbout(FailureKind kind, std::string_view subject, std::string_view what) {
    std::string message = "\"";
    message += subject;
    message += "\" ";
    message += what;
    return {kind, std::move(message)};
}

std::string_view FailureName(FailureKind kind) {
    switch (kind) {
        case FailureKind::InvalidArgument:
            return "InvalidArgument";
        case FailureKind::InvalidPath:
            return "InvalidPath";
        case FailureKind::NotFound:
            return "NotFound";
        case FailureKind::TooLarge:
            return "TooLarge";
        case FailureKind::NotAllowed:
            return "NotAllowed";
        case FailureKind::IOError:
            return "IOError";
        case FailureKind::Busy:
            return "Busy";
        case FailureKind::ExtensionUnavailable:
            return "ExtensionUnavailable";
        case FailureKind::ExtensionError:
            return "ExtensionError";
        case FailureKind::Named:
            return "Error";
        case FailureKind::UnknownMethod:
            break;
    }
    return "UnknownMethod";
}

std::string_view FailureName(const Failure& failure) {
    if (failure.kind == FailureKind::Named && !failure.name.empty()) {
        return failure.name;
    }
    return FailureName(failure.kind);
}

}  // namespace tessaly
