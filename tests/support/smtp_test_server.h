#pragma once

#include "support/python_server.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quorvel::test {

struct SmtpServerOptions {
    std::string user = "tester";
    std::string password = "secret";
    bool requireAuth = false;             // no mail without a login
    std::vector<std::string> excludeAuth; // mechanisms not offered ("LOGIN")
    std::vector<std::string> refuse;      // recipients answered with 550
    long long sizeLimit = 0;              // the SIZE announced; 0: the server's default (32 MiB)
    bool tls = false;                     // STARTTLS with a self-signed certificate made for it
    bool implicitTls = false;             // with tls: TLS from the first byte instead
};

// One message as the server's parser (Python's email package) understood it.
struct ReceivedMail {
    std::map<std::string, std::string> facts; // mail_from, rcpt_tos, content_type, size, longest_line, ...
    std::string headers;                      // decoded, "Name: value" a line
    std::string rawHeaders;                   // the header block as sent
    std::string subject;                      // decoded
    std::string text;                         // the decoded text part, line ends as LF
    struct Attachment {
        std::string sha256, contentType, fileName;
        std::uint64_t size = 0;
    };
    std::vector<Attachment> attachments;

    // The decoded value of the first header of that name; empty when there is none.
    std::string header(const std::string& name) const;
};

// The SMTP server of tests/interop/smtp_server.py (Debian's aiosmtpd), started on a free port of
// 127.0.0.1, recording what it receives in `out`, and terminated when the object goes away.
class SmtpTestServer {
public:
    explicit SmtpTestServer(std::filesystem::path out, SmtpServerOptions options = {});

    bool running() const { return m_server->running(); }
    const std::string& error() const { return m_server->error(); }
    int port() const { return m_server->port(); }
    const std::string& fingerprint() const { return m_server->fingerprint(); }
    const SmtpServerOptions& options() const { return m_options; }

    // The messages received so far, in order.
    std::vector<ReceivedMail> messages() const;
    // The login attempts so far: "<mechanism> <user> ok|refused".
    std::vector<std::string> logins() const;

private:
    std::filesystem::path m_out;
    SmtpServerOptions m_options;
    std::unique_ptr<PythonServer> m_server;
};

} // namespace quorvel::test
