#include "support/smtp_test_server.h"

#include "core/util/strings.h"
#include "support/test_support.h"

#include <algorithm>

namespace quorvel::test {

namespace {

// The records of one kind ("msg", "auth") in the order the server wrote them.
std::vector<fs::path> records(const fs::path& out, const std::string& prefix) {
    std::vector<std::pair<int, fs::path>> found;
    for (const auto& entry : fs::directory_iterator(out)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix + "-") && name.find('.') == std::string::npos)
            found.emplace_back(std::stoi(name.substr(prefix.size() + 1)), entry.path());
    }
    std::sort(found.begin(), found.end());
    std::vector<fs::path> paths;
    for (auto& [number, path] : found)
        paths.push_back(std::move(path));
    return paths;
}

std::string withoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

} // namespace

std::string ReceivedMail::header(const std::string& name) const {
    for (const std::string& line : split(headers, '\n'))
        if (line.size() > name.size() && line[name.size()] == ':' &&
            equalsIgnoreCase(line.substr(0, name.size()), name))
            return trim(line.substr(name.size() + 1));
    return {};
}

SmtpTestServer::SmtpTestServer(std::filesystem::path out, SmtpServerOptions options)
    : m_out(std::move(out)), m_options(std::move(options)) {
    fs::create_directories(m_out);
    std::vector<std::string> args{"--out", m_out.string(), "--user", m_options.user, "--password", m_options.password};
    if (m_options.requireAuth)
        args.push_back("--require-auth");
    for (const std::string& mechanism : m_options.excludeAuth)
        args.insert(args.end(), {"--exclude-auth", mechanism});
    for (const std::string& recipient : m_options.refuse)
        args.insert(args.end(), {"--refuse", recipient});
    if (m_options.sizeLimit > 0)
        args.insert(args.end(), {"--size-limit", std::to_string(m_options.sizeLimit)});
    if (m_options.tls && m_options.implicitTls)
        args.push_back("--implicit-tls");
    m_server = std::make_unique<PythonServer>("smtp_server.py", std::move(args), m_options.tls,
                                              "the SMTP server (is python3-aiosmtpd installed?)");
}

std::vector<ReceivedMail> SmtpTestServer::messages() const {
    std::vector<ReceivedMail> mails;
    for (const fs::path& folder : records(m_out, "msg")) {
        ReceivedMail mail;
        for (const std::string& line : split(readFile(folder / "facts"), '\n')) {
            const std::size_t equals = line.find('=');
            if (equals != std::string::npos)
                mail.facts[line.substr(0, equals)] = line.substr(equals + 1);
        }
        mail.headers = readFile(folder / "headers");
        mail.rawHeaders = readFile(folder / "raw_headers");
        mail.subject = readFile(folder / "subject");
        mail.text = withoutCarriageReturns(readFile(folder / "text"));
        for (const std::string& line : split(readFile(folder / "attachments"), '\n')) {
            const std::vector<std::string> fields = split(line, '\t');
            if (fields.size() == 4)
                mail.attachments.push_back({fields[0], fields[2], fields[3], std::stoull(fields[1])});
        }
        mails.push_back(std::move(mail));
    }
    return mails;
}

std::vector<std::string> SmtpTestServer::logins() const {
    std::vector<std::string> attempts;
    for (const fs::path& folder : records(m_out, "auth"))
        attempts.push_back(trim(readFile(folder / "login")));
    return attempts;
}

} // namespace quorvel::test
