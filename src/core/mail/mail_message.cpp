#include "core/mail/mail_message.h"

#include "core/mail/mail_error.h"
#include "core/util/strings.h"
#include "core/util/unique_fd.h"
#include "core/zip/archive_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <openssl/rand.h>
#include <sys/stat.h>

namespace quorvel {

namespace {

constexpr std::string_view Charset = "; charset=\"UTF-8\"";

bool holdsLineBreak(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

bool isHeaderName(std::string_view name) {
    return !name.empty() &&
           std::all_of(name.begin(), name.end(), [](char c) { return c > ' ' && c < 127 && c != ':'; });
}

// Opens an attachment for reading; other programs may go on reading and writing it.
UniqueFd openAttachment(const std::filesystem::path& path, std::uint64_t* size) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (!fd || ::fstat(fd.get(), &st) != 0)
        throw IoError(systemError("Cannot open", path.string(), errno));
    if (!S_ISREG(st.st_mode))
        throw IoError("'" + path.string() + "' is not a file.");
    if (size != nullptr)
        *size = static_cast<std::uint64_t>(st.st_size);
    return fd;
}

// "<32 hex digits@domain of the sender>": unique without telling anything about the machine.
std::string newMessageId(const TEmailAddressItem& from) {
    unsigned char random[16];
    if (RAND_bytes(random, sizeof random) != 1)
        throw Error(ErrorKind::Io, "No random number for the Message-ID.");
    std::string id = "<";
    for (const unsigned char byte : random) {
        id += "0123456789abcdef"[byte >> 4];
        id += "0123456789abcdef"[byte & 0x0F];
    }
    const std::size_t at = from.Address.rfind('@');
    return id + "@" + (at == std::string::npos ? std::string("localhost") : from.Address.substr(at + 1)) + ">";
}

std::string textLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

void checkHeaders(const HeaderList& headers) {
    for (const auto& [name, value] : headers)
        if (!isHeaderName(name) || holdsLineBreak(value))
            throw MailError("The header '" + name + "' cannot be sent as it stands.");
}

} // namespace

TMailAttachment::TMailAttachment(std::filesystem::path path)
    : StoredPathName(std::move(path)), FileName(StoredPathName.filename().string()) {}

void TMailMessage::setBodyText(std::string_view text) {
    Body.clear();
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            Body.push_back(std::move(line));
            line.clear();
        } else {
            line += text[i];
        }
    }
    if (!line.empty())
        Body.push_back(std::move(line));
}

void TMailMessage::setExtraHeader(const std::string& name, const std::string& value) {
    std::erase_if(ExtraHeaders, [&](const auto& header) { return equalsIgnoreCase(header.first, name); });
    if (!value.empty())
        ExtraHeaders.emplace_back(name, value);
}

void TMailMessage::Clear() {
    const WordEncoding encoding = HeaderEncoding;
    *this = TMailMessage();
    HeaderEncoding = encoding;
}

void checkMessage(const TMailMessage& message) {
    checkMailbox(message.From);
    if (message.Recipients.empty() && message.CCList.empty() && message.BccList.empty())
        throw MailError("The message has no recipient.");
    for (const TEmailAddressList* list : {&message.ReplyTo, &message.Recipients, &message.CCList, &message.BccList})
        checkMailboxes(*list);
    if (holdsLineBreak(message.Subject))
        throw MailError("The subject cannot hold a line break.");
    if (holdsLineBreak(message.Organization) || holdsLineBreak(message.ContentType))
        throw MailError("A header of the message cannot hold a line break.");
    checkHeaders(message.ExtraHeaders);
    for (const TMailAttachment& attachment : message.Attachments) {
        openAttachment(attachment.StoredPathName, nullptr);
        checkHeaders(attachment.ExtraHeaders);
        if (holdsLineBreak(attachment.ContentType) || holdsLineBreak(attachment.ContentDisposition))
            throw MailError("A header of the message cannot hold a line break.");
    }
}

MailContent::MailContent(const TMailMessage& message, std::time_t now) {
    checkMessage(message);
    const WordEncoding encoding = message.HeaderEncoding;
    const bool mixed = !message.Attachments.empty();
    const bool plainText = linesFit7bit(message.Body, mixed ? MixedBoundary : std::string_view());
    std::string contentType = message.ContentType;
    if (mixed)
        contentType = "multipart/mixed; boundary=\"" + std::string(MixedBoundary) + "\"";
    else if (!plainText)
        contentType = (contentType.empty() ? std::string("text/plain") : contentType) + std::string(Charset);

    std::string head;
    const auto header = [&head](std::string_view name, const std::string& value) {
        if (!value.empty())
            head += foldHeader(name, value);
    };
    header("From", formatMailbox(message.From, encoding));
    header("Subject", encodeHeaderText(message.Subject, encoding));
    header("To", formatMailboxes(message.Recipients, encoding));
    header("Cc", formatMailboxes(message.CCList, encoding));
    header("Content-Type", contentType);
    header("MIME-Version", mixed || !plainText ? "1.0" : "");
    header("Content-Transfer-Encoding", !mixed && !plainText ? "quoted-printable" : "");
    header("Reply-To", formatMailboxes(message.ReplyTo, encoding));
    header("Organization", encodeHeaderText(message.Organization, encoding));
    header("Date", formatMailDate(message.Date != 0 ? message.Date : now));
    header("Message-ID", newMessageId(message.From));
    header("X-Priority", std::to_string(static_cast<int>(message.Priority) + 1));
    for (const auto& [name, value] : message.ExtraHeaders)
        header(name, encodeHeaderText(value, encoding));
    add(head + "\r\n");

    const std::string text = plainText ? textLines(message.Body) : quotedPrintable(message.Body);
    if (!mixed) {
        add(text);
        return;
    }
    const std::string delimiter = "--" + std::string(MixedBoundary);
    add("This is a multi-part message in MIME format\r\n\r\n" + delimiter + "\r\nContent-Type: text/plain" +
        (plainText ? std::string() : std::string(Charset)) +
        "\r\nContent-Transfer-Encoding: " + (plainText ? "7bit" : "quoted-printable") + "\r\n\r\n" + text);
    for (const TMailAttachment& attachment : message.Attachments) {
        std::string part =
            "\r\n" + delimiter + "\r\nContent-Type: " +
            (attachment.ContentType.empty() ? std::string("application/octet-stream") : attachment.ContentType) + ";" +
            mimeParameter("name", attachment.FileName) +
            "\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: " +
            (attachment.ContentDisposition.empty() ? std::string("attachment") : attachment.ContentDisposition) + ";" +
            mimeParameter("filename", attachment.FileName) + "\r\n";
        for (const auto& [name, value] : attachment.ExtraHeaders)
            part += foldHeader(name, encodeHeaderText(value, encoding));
        add(part + "\r\n", true);
        Piece& piece = m_pieces.back();
        piece.file = attachment.StoredPathName;
        openAttachment(piece.file, &piece.fileSize);
        m_size += base64LinesSize(piece.fileSize);
        add("\r\n");
    }
    add(delimiter + "--\r\n");
}

void MailContent::add(std::string text, bool startsAttachment) {
    m_size += text.size();
    m_pieces.push_back({std::move(text), {}, 0, startsAttachment});
}

void MailContent::write(const Sink& sink, const Status& status, std::size_t blockSize) const {
    if (status)
        status("Encoding text");
    // Blocks of whole base64 lines.
    const std::size_t lines = std::max<std::size_t>(1, blockSize / 78);
    std::vector<char> buffer(lines * Base64LineBytes);
    std::string encoded;
    for (const Piece& piece : m_pieces) {
        if (piece.startsAttachment && status)
            status("Encoding attachment");
        sink(piece.text);
        if (piece.file.empty())
            continue;
        const UniqueFd fd = openAttachment(piece.file, nullptr);
        for (std::uint64_t offset = 0;; offset += buffer.size()) {
            const std::size_t got = readFully(fd.get(), offset, buffer.data(), buffer.size(), piece.file.string());
            if (got == 0)
                break;
            encoded.clear();
            appendBase64Lines(encoded, std::string_view(buffer.data(), got));
            sink(encoded);
            if (got < buffer.size())
                break;
        }
    }
}

} // namespace quorvel
