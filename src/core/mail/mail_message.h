#pragma once

#include "core/mail/mail_address.h"
#include "core/mail/mime_text.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvel {

// The boundary between the parts of a message with attachments. Its "=_" can appear neither in
// base64 nor in quoted-printable text, and plain text that starts a line with it is sent
// quoted-printable instead.
inline constexpr std::string_view MixedBoundary = "=_NextPart_2rfkqzbsadvnqw3nerasdf";

enum TMessagePriority { mpHighest, mpHigh, mpNormal, mpLow, mpLowest };

using HeaderList = std::vector<std::pair<std::string, std::string>>;

// A file sent with a message, base64-encoded, under the last component of its path.
struct TMailAttachment {
    std::filesystem::path StoredPathName;
    std::string FileName;
    std::string ContentType;        // empty: "application/octet-stream"
    std::string ContentDisposition; // empty: "attachment"
    HeaderList ExtraHeaders;

    explicit TMailAttachment(std::filesystem::path path);
};

// One mail message: the envelope's addresses, the headers, the text and the attached files.
class TMailMessage {
public:
    TEmailAddressItem From;
    TEmailAddressList ReplyTo;
    TEmailAddressList Recipients;
    TEmailAddressList CCList;
    TEmailAddressList BccList; // receive the message without being named in it
    std::string Subject;
    std::vector<std::string> Body; // text lines without their line ends
    std::string ContentType;       // of a message without attachments; empty: none written
    std::string Organization;
    TMessagePriority Priority = mpNormal;
    std::time_t Date = 0; // 0: the moment it is sent
    HeaderList ExtraHeaders;
    std::vector<TMailAttachment> Attachments;
    // How header text outside ASCII is written; the user interface's language decides.
    WordEncoding HeaderEncoding = systemWordEncoding();

    // Splits text at CR LF, LF or CR into Body.
    void setBodyText(std::string_view text);
    // Sets an extra header, replacing one of that name (letter case ignored); an empty value
    // removes it.
    void setExtraHeader(const std::string& name, const std::string& value);
    // Empties every field; the priority returns to normal and the date to "now".
    void Clear();
};

// Raises MailError unless the message can be sent as it stands, before anything is sent: a
// sender and at least one recipient, every address valid, no line break in the subject, the
// organisation or an extra header, header names of printable ASCII. Raises IoError for an
// attachment that cannot be opened.
void checkMessage(const TMailMessage& message);

// The message as it goes over the wire (CR LF line ends, no line over 998 characters, 7-bit
// throughout), held as generated text and references to the files still to be encoded, so that
// its size is known without reading the files and writing it keeps memory flat.
class MailContent {
public:
    using Sink = std::function<void(std::string_view bytes)>;
    using Status = std::function<void(const std::string& text)>;

    // Fixes the date (`now` when the message has none) and the Message-ID; the size of each
    // attached file is taken here (IoError when one cannot be opened).
    MailContent(const TMailMessage& message, std::time_t now);

    // Bytes of the whole message (before SMTP's dot-stuffing), attachments encoded.
    std::uint64_t size() const { return m_size; }
    const std::string& headers() const { return m_pieces.front().text; }

    // Writes the message to the sink in blocks of about `blockSize` bytes, encoding the files as
    // it goes; status "Encoding text" and "Encoding attachment" as each part starts. Raises
    // IoError when a file cannot be read.
    void write(const Sink& sink, const Status& status, std::size_t blockSize) const;

private:
    struct Piece {
        std::string text;              // written as it is
        std::filesystem::path file;    // then this file in base64 lines, when not empty
        std::uint64_t fileSize = 0;    // as taken when the message was composed
        bool startsAttachment = false; // the piece opens an attachment's part
    };
    void add(std::string text, bool startsAttachment = false);

    std::vector<Piece> m_pieces;
    std::uint64_t m_size = 0;
};

} // namespace quorvel
