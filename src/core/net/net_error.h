#pragma once

#include "core/util/errors.h"

#include <string>
#include <vector>

namespace quorvel {

// Why a network operation failed: the network's values of the one ErrorKind (Resolve to
// Protocol, with Cancelled and Refused); the message is what the user reads.
using NetErrorKind = ErrorKind;

class NetError : public Error {
public:
    NetError(NetErrorKind kind, const std::string& message) : Error(kind, message) {}
};

// The server answered with a code the command does not allow. The message is the reply's text
// lines, each followed by CR LF, as the server wrote them (without the code).
class ProtocolError : public NetError {
public:
    ProtocolError(int code, std::vector<std::string> lines);
    int code() const { return m_code; }
    const std::vector<std::string>& lines() const { return m_lines; }

private:
    int m_code;
    std::vector<std::string> m_lines;
};

// The server's certificate did not verify against the system's trust store (or does not name the
// host), or differs from the pinned one. Carries the certificate's SHA-256 fingerprint in the
// display form, so that the user can decide to pin it.
class CertificateError : public NetError {
public:
    CertificateError(const std::string& message, std::string fingerprint)
        : NetError(NetErrorKind::Certificate, message), m_fingerprint(std::move(fingerprint)) {}
    const std::string& fingerprint() const { return m_fingerprint; }

private:
    std::string m_fingerprint;
};

// Reply text lines, each followed by CR LF.
std::string joinReplyLines(const std::vector<std::string>& lines);

// "Socket Error # <code>" CR LF and the system's text for the code, with a full stop.
NetError socketError(int code);
NetError closedError();
NetError notConnectedError();
NetError cancelledError();

} // namespace quorvel
