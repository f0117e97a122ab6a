#pragma once

#include <stdexcept>
#include <string>

namespace quorvel {

// What went wrong, for the callers that decide by it (an exit status, whether a run was cancelled
// or failed, what a window does next); they never decide by the message text.
enum class ErrorKind {
    // Files and folders.
    Io,       // a file-system operation failed; the message names the path and the system's reason
    NotFound, // what the operation was asked to work on is not there (the items of a backup)
    // Archives.
    NotAZipFile,            // no end record, and the file was not taken as one disk of a set
    IncompleteZip,          // the end record is missing: the last disk of a set may be needed
    BadZipFile,             // the directory or an entry's data is damaged
    OverlappingEntries,     // two entries share bytes of the archive, as in a zip bomb
    PrematureEnd,           // the archive ends inside an entry's data
    BiggerThanUncompressed, // an entry's data grows past the size its record declares
    NotEnoughRoom,          // the archive could not be written whole: the disk is full
    CantWriteUncompressed,  // an extracted file could not be written
    WrongPassword,          // an encrypted entry does not open with the password given
    IndexOutOfRange,        // an entry index outside 0..Count-1
    Incomplete,             // an operation ended without its result (an archive, a transfer)
    // Requests.
    Cancelled, // the user, the window or the scheduler stopped the operation
    Refused,   // the program refused the request as given (a name, a label, a second connection)
    // The network.
    Resolve,        // the host name is unknown
    Socket,         // a system call on a socket failed
    ConnectTimeout, // no connection within the connect time-out
    Timeout,        // a reply or a data connection stayed silent too long
    Closed,         // the peer closed the connection
    NotConnected,   // an operation on a connection that is not open
    TooLong,        // a reply line or a reply exceeded its bound
    Tls,            // the TLS handshake or a TLS record failed
    Certificate,    // the server's certificate is not the one expected or does not verify
    Protocol,       // the server answered with a reply the command does not allow
};

// Base of every error the core raises. what() is the text shown to the user, exactly as the
// program words it; kind() says what happened; subject() is the path or the entry concerned
// (empty when the error concerns the operation as a whole). The core raises, the caller shows.
class Error : public std::runtime_error {
public:
    Error(ErrorKind kind, const std::string& message, std::string subject = {})
        : std::runtime_error(message), m_kind(kind), m_subject(std::move(subject)) {}
    ErrorKind kind() const { return m_kind; }
    const std::string& subject() const { return m_subject; }

private:
    ErrorKind m_kind;
    std::string m_subject;
};

// "<what> <path>: <the system's text for error>", as file-system failures are worded.
std::string systemError(const std::string& what, const std::string& path, int error);

// A file-system operation failed; the message names the path and the system's reason.
class IoError : public Error {
public:
    explicit IoError(const std::string& message, std::string path = {})
        : Error(ErrorKind::Io, message, std::move(path)) {}
    // The failure of `what` on `path` with the system's error code, worded by systemError.
    static IoError of(const std::string& what, const std::string& path, int error) {
        return IoError(systemError(what, path, error), path);
    }
};

// True when the error is one that stopped the operation on request rather than a failure.
inline bool isCancellation(const std::exception& error) {
    const auto* known = dynamic_cast<const Error*>(&error);
    return known != nullptr && known->kind() == ErrorKind::Cancelled;
}

} // namespace quorvel
