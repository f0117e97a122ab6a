#pragma once

#include "core/util/errors.h"

namespace quorvel {

// A message that cannot be sent as it stands: an address that is none, a line break in a
// header, a message larger than the server takes. Raised before anything reaches the server.
class MailError : public Error {
public:
    explicit MailError(const std::string& message) : Error(ErrorKind::Refused, message) {}
};

} // namespace quorvel
