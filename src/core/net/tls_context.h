#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct ssl_st;
struct ssl_ctx_st;
struct ssl_session_st;
struct bio_method_st;
struct x509_st;

namespace quorvel {

// How a server's certificate is accepted.
struct TlsPolicy {
    // The SHA-256 fingerprint the certificate must have, as normalizeFingerprint() gives it.
    // Empty: the certificate must verify against the system's trust store and name the host.
    std::string pinnedSha256;
};

// 64 upper-case hex digits from a fingerprint typed with or without colons (or blanks), in
// either letter case; nullopt when the text is not a SHA-256 fingerprint.
std::optional<std::string> normalizeFingerprint(std::string_view text);
// The policy for a fingerprint as the user typed it: empty means the system's trust store.
// Raises NetError (Certificate) when the text is not a SHA-256 fingerprint.
TlsPolicy tlsPolicyFor(std::string_view fingerprintText);
// "AB:CD:…" from the normalised form.
std::string displayFingerprint(std::string_view normalized);
// The SHA-256 fingerprint of a certificate, normalised.
std::string certificateFingerprint(x509_st* certificate);

struct SslDeleter {
    void operator()(ssl_st* ssl) const;
};
using UniqueSsl = std::unique_ptr<ssl_st, SslDeleter>;

// The TLS settings of one client: the certificate policy and, for protocols with several
// connections to one server (FTP's data connections), the session the first connection
// negotiated, so that later connections resume it as servers that insist on it require.
class TlsContext {
public:
    explicit TlsContext(TlsPolicy policy);
    ~TlsContext();
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;

    const TlsPolicy& policy() const { return m_policy; }

    // A client-side TLS object on a connected socket, set up to check `serverName`. With
    // keepSessions the sessions it negotiates are kept for later ones; with resume it offers
    // the kept session.
    UniqueSsl newClient(int socket, const std::string& serverName, bool keepSessions, bool resume);

    // After the handshake: raises CertificateError unless the certificate passes the policy.
    void checkPeer(ssl_st* ssl) const;

private:
    static int keepSession(ssl_st* ssl, ssl_session_st* session);
    void replaceSession(ssl_session_st* session);

    TlsPolicy m_policy;
    ssl_ctx_st* m_ctx = nullptr;
    bio_method_st* m_socketMethod = nullptr;
    ssl_session_st* m_session = nullptr;
};

} // namespace quorvel
