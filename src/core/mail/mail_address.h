#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// One mailbox: a display name (may be empty) and the address itself.
struct TEmailAddressItem {
    std::string Name;
    std::string Address;

    // Reads the forms people type: a bare address, "Name <address>", a quoted name
    // ("Doe, Jane" <jane@example.org>), and comments in parentheses, which name the mailbox
    // when nothing else does (jane@example.org (Jane)).
    static TEmailAddressItem parse(std::string_view text);
    bool operator==(const TEmailAddressItem&) const = default;
};

using TEmailAddressList = std::vector<TEmailAddressItem>;

// The mailboxes of a list separated by commas (or semicolons, as many mail programs accept),
// separators inside quotes, angle brackets and comments excepted; empty items are skipped.
TEmailAddressList parseAddressList(std::string_view text);

// Whether the text is an address the program sends to: local@domain in plain ASCII, a local part
// of dot-separated atoms, a domain of host-name labels or an address literal in brackets, at
// most 254 characters. Quoted local parts and international addresses are refused.
bool isValidAddress(std::string_view address);

// Raises MailError "'<text>' is not an email address." unless the address is valid and the
// display name holds no control character (a line break would start a header of its own).
void checkMailbox(const TEmailAddressItem& mailbox);
void checkMailboxes(const TEmailAddressList& list);

} // namespace quorvel
