#include "core/restore/added_files_password.h"

#include "core/util/strings.h"
#include "core/zip/zip_reader.h"

#include <filesystem>

namespace quorvel {

namespace {

constexpr std::string_view PasswordField = "\"Input Password ( If has ):\"";

// The encrypted file entry that is quickest to check a password on; -1 when there is none.
int smallestEncryptedEntry(const TZipReader& reader) {
    int found = -1;
    for (int i = 0; i < reader.Count(); ++i) {
        const TZipHeaderInfo& entry = reader.Entry(i);
        if (entry.isEncrypted() && !entry.isFolder() &&
            (found < 0 || entry.uncompressedSize < reader.Entry(found).uncompressedSize))
            found = i;
    }
    return found;
}

} // namespace

std::optional<std::string> passwordForAddedFiles(UserPrompts& prompts, const std::string& archive,
                                                 const std::string& typed, const std::string& projectPassword) {
    const std::string name = std::filesystem::path(archive).filename().string();
    TZipReader reader;
    reader.setZipName(archive);
    reader.IncompleteZipMode = izAssumeNotAZip;
    reader.ReadZip();
    const int sample = smallestEncryptedEntry(reader);
    const bool haveTyped = !trim(typed).empty();

    if (sample < 0) {
        if (!haveTyped)
            return std::string();
        const bool encrypt =
            prompts.askYesNo("Encrypt the files added to '" + name + "' with the password typed in " +
                                 std::string(PasswordField) + "?\rThe files it holds are not encrypted.",
                             MessageKind::Confirmation);
        return encrypt ? typed : std::string();
    }

    const std::string password = haveTyped ? typed : trim(projectPassword);
    if (password.empty()) {
        prompts.showMessage("'" + name + "' is encrypted: type its password in " + std::string(PasswordField) +
                                " to add files to it.\rNothing was added.",
                            MessageKind::Warning);
        return std::nullopt;
    }
    reader.Password = password;
    const TEntryCheck check = reader.testEntry(sample);
    if (!check.ok) {
        prompts.showMessage(check.message + "\rNothing was added to '" + name + "'.", MessageKind::Error);
        return std::nullopt;
    }
    return password;
}

} // namespace quorvel
