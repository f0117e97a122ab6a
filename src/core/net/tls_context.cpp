#include "core/net/tls_context.h"

#include "core/net/net_error.h"
#include "core/net/socket_address.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>

namespace quorvel {

namespace {

// Socket reads and writes for OpenSSL. The library's own socket method writes with write(),
// which raises SIGPIPE when the peer has gone; send() with MSG_NOSIGNAL reports it as an error.
int socketOf(BIO* bio) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(BIO_get_data(bio)));
}

int bioWrite(BIO* bio, const char* data, int size) {
    BIO_clear_retry_flags(bio);
    const ssize_t sent = ::send(socketOf(bio), data, static_cast<size_t>(size), MSG_NOSIGNAL);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        BIO_set_retry_write(bio);
    return static_cast<int>(sent);
}

int bioRead(BIO* bio, char* data, int size) {
    BIO_clear_retry_flags(bio);
    const ssize_t got = ::recv(socketOf(bio), data, static_cast<size_t>(size), 0);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        BIO_set_retry_read(bio);
    if (got == 0)
        BIO_set_flags(bio, BIO_FLAGS_IN_EOF);
    return static_cast<int>(got);
}

long bioControl(BIO* bio, int command, long, void*) {
    switch (command) {
    case BIO_CTRL_FLUSH:
        return 1;
    case BIO_CTRL_EOF:
        return BIO_test_flags(bio, BIO_FLAGS_IN_EOF) != 0 ? 1 : 0;
    default:
        return 0;
    }
}

int bioCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

std::string lastTlsError() {
    const unsigned long code = ERR_peek_last_error();
    char text[256] = {};
    ERR_error_string_n(code, text, sizeof text);
    const char* reason = ERR_reason_error_string(code);
    return reason != nullptr ? reason : text;
}

[[noreturn]] void failSetup(const char* what) {
    throw NetError(NetErrorKind::Tls, std::string("TLS cannot be set up (") + what + "): " + lastTlsError() + ".");
}

} // namespace

std::optional<std::string> normalizeFingerprint(std::string_view text) {
    std::string digits;
    for (const char c : text) {
        if (c == ':' || c == ' ' || c == '\t')
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        digits += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (digits.size() != 64)
        return std::nullopt;
    return digits;
}

TlsPolicy tlsPolicyFor(std::string_view fingerprintText) {
    TlsPolicy policy;
    if (fingerprintText.find_first_not_of(" \t") == std::string_view::npos)
        return policy;
    const std::optional<std::string> pinned = normalizeFingerprint(fingerprintText);
    if (!pinned)
        throw NetError(NetErrorKind::Certificate,
                       "The certificate fingerprint is not a SHA-256 fingerprint (64 hex digits).");
    policy.pinnedSha256 = *pinned;
    return policy;
}

std::string displayFingerprint(std::string_view normalized) {
    std::string shown;
    for (std::size_t i = 0; i < normalized.size(); i += 2) {
        if (i > 0)
            shown += ':';
        shown += normalized.substr(i, 2);
    }
    return shown;
}

std::string certificateFingerprint(x509_st* certificate) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (X509_digest(certificate, EVP_sha256(), digest, &length) != 1)
        failSetup("certificate digest");
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += Hex[digest[i] >> 4];
        text += Hex[digest[i] & 15];
    }
    return text;
}

void SslDeleter::operator()(ssl_st* ssl) const {
    SSL_free(ssl);
}

TlsContext::TlsContext(TlsPolicy policy) : m_policy(std::move(policy)) {
    m_ctx = SSL_CTX_new(TLS_client_method());
    if (m_ctx == nullptr)
        failSetup("context");
    SSL_CTX_set_min_proto_version(m_ctx, TLS1_2_VERSION);
    // Many servers end data connections without a TLS goodbye; what arrived is checked against
    // the server's own account of the transfer instead.
    SSL_CTX_set_options(m_ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
    // The certificate is judged after the handshake (checkPeer), so that a refusal can name its
    // fingerprint; nothing is sent over the connection before that.
    SSL_CTX_set_verify(m_ctx, SSL_VERIFY_NONE, nullptr);
    if (m_policy.pinnedSha256.empty() && SSL_CTX_set_default_verify_paths(m_ctx) != 1)
        failSetup("system trust store");
    SSL_CTX_set_session_cache_mode(m_ctx, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(m_ctx, &TlsContext::keepSession);
    m_socketMethod = BIO_meth_new(BIO_TYPE_SOURCE_SINK, "quorvel socket");
    if (m_socketMethod == nullptr)
        failSetup("socket method");
    BIO_meth_set_write(m_socketMethod, bioWrite);
    BIO_meth_set_read(m_socketMethod, bioRead);
    BIO_meth_set_ctrl(m_socketMethod, bioControl);
    BIO_meth_set_create(m_socketMethod, bioCreate);
}

TlsContext::~TlsContext() {
    if (m_session != nullptr)
        SSL_SESSION_free(m_session);
    SSL_CTX_free(m_ctx);
    BIO_meth_free(m_socketMethod);
}

int TlsContext::keepSession(ssl_st* ssl, ssl_session_st* session) {
    auto* owner = static_cast<TlsContext*>(SSL_get_ex_data(ssl, 0));
    if (owner == nullptr)
        return 0;
    owner->replaceSession(session);
    return 1; // the reference is ours now
}

void TlsContext::replaceSession(ssl_session_st* session) {
    if (m_session != nullptr)
        SSL_SESSION_free(m_session);
    m_session = session;
}

UniqueSsl TlsContext::newClient(int socket, const std::string& serverName, bool keepSessions, bool resume) {
    ERR_clear_error();
    UniqueSsl ssl(SSL_new(m_ctx));
    if (!ssl)
        failSetup("connection");
    BIO* bio = BIO_new(m_socketMethod);
    if (bio == nullptr)
        failSetup("socket");
    BIO_set_data(bio, reinterpret_cast<void*>(static_cast<std::intptr_t>(socket)));
    SSL_set_bio(ssl.get(), bio, bio);
    const bool numeric = SocketAddress::isNumericHost(serverName);
    if (!numeric && !serverName.empty())
        SSL_ctrl(ssl.get(), SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                 const_cast<char*>(serverName.c_str())); // SSL_set_tlsext_host_name without its C cast
    if (m_policy.pinnedSha256.empty()) {
        X509_VERIFY_PARAM* param = SSL_get0_param(ssl.get());
        const int named = numeric ? X509_VERIFY_PARAM_set1_ip_asc(param, serverName.c_str())
                                  : X509_VERIFY_PARAM_set1_host(param, serverName.c_str(), 0);
        if (named != 1)
            failSetup("host name");
    }
    if (keepSessions)
        SSL_set_ex_data(ssl.get(), 0, this);
    if (resume && m_session != nullptr) {
        // A TLS 1.3 client marks a session spent once resumed; a copy for each connection keeps
        // the kept one fresh for the next, and servers accept the same ticket again.
        SSL_SESSION* copy = SSL_SESSION_dup(m_session);
        if (copy != nullptr) {
            SSL_set_session(ssl.get(), copy);
            SSL_SESSION_free(copy);
        }
    }
    return ssl;
}

void TlsContext::checkPeer(ssl_st* ssl) const {
    X509* certificate = SSL_get0_peer_certificate(ssl);
    if (certificate == nullptr)
        throw CertificateError("The server sent no certificate.", {});
    const std::string fingerprint = certificateFingerprint(certificate);
    const std::string shown = displayFingerprint(fingerprint);
    if (!m_policy.pinnedSha256.empty()) {
        if (fingerprint != m_policy.pinnedSha256)
            throw CertificateError(
                "The server's certificate is not the pinned one.\r\nIts SHA-256 fingerprint is " + shown + ".", shown);
        return;
    }
    const long result = SSL_get_verify_result(ssl);
    if (result != X509_V_OK)
        throw CertificateError(std::string("The server's certificate could not be verified: ") +
                                   X509_verify_cert_error_string(result) + ".\r\nIts SHA-256 fingerprint is " + shown +
                                   ".",
                               shown);
}

} // namespace quorvel
