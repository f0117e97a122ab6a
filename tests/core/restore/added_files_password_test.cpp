// Which password the files added to an archive get: the archive's own, never one it does not have.
#include "core/restore/added_files_password.h"
#include "core/zip/zip_errors.h"
#include "core/zip/zip_writer.h"
#include "support/scripted_prompts.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

struct AddedFilesPassword : ::testing::Test {
    TempDir dir;
    ScriptedPrompts prompts;

    // An archive of `files` (name -> contents) with each entry's password (empty: plain).
    std::string archive(const std::vector<std::tuple<std::string, std::string, std::string>>& files) {
        const std::string zip = (dir / "a.zip").string();
        for (const auto& [name, contents, password] : files) {
            writeFile(dir / name, contents);
            TZipWriter writer;
            writer.setZipName(zip);
            writer.Password = password;
            writer.FilesList = {(dir / name).string()};
            writer.Zip();
        }
        return zip;
    }
};

} // namespace

TEST_F(AddedFilesPassword, APlainArchiveStaysPlainUnlessTheUserSaysOtherwise) {
    const std::string zip = archive({{"a.txt", "a", ""}});
    EXPECT_EQ(passwordForAddedFiles(prompts, zip, "", "project"), std::string());
    EXPECT_EQ(passwordForAddedFiles(prompts, zip, "   ", "project"), std::string()); // blank is none
    EXPECT_TRUE(prompts.questions.empty());
    prompts.queue({false, true});
    EXPECT_EQ(passwordForAddedFiles(prompts, zip, " typed", "project"), std::string());
    EXPECT_EQ(passwordForAddedFiles(prompts, zip, " typed", "project"), std::string(" typed")); // as typed
    ASSERT_EQ(prompts.questions.size(), 2u);
    EXPECT_EQ(prompts.questions[0].text, "Encrypt the files added to 'a.zip' with the password typed in \"Input "
                                         "Password ( If has ):\"?\rThe files it holds are not encrypted.");
    EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(AddedFilesPassword, AnEncryptedArchiveTakesOnlyItsOwnPassword) {
    // The check runs on the smallest encrypted entry; a plain entry beside it does not count.
    const std::string zip = archive(
        {{"plain.txt", "p", ""}, {"big.txt", std::string(100000, 'b'), "secret"}, {"small.txt", "s", "secret"}});
    EXPECT_EQ(passwordForAddedFiles(prompts, zip, "secret", ""), std::string("secret"));
    EXPECT_EQ(passwordForAddedFiles(prompts, zip, "", " secret "), std::string("secret")); // the project's
    EXPECT_TRUE(prompts.messages.empty());

    EXPECT_EQ(passwordForAddedFiles(prompts, zip, "wrong", "secret"), std::nullopt); // typed wins, and is wrong
    EXPECT_EQ(passwordForAddedFiles(prompts, zip, "", ""), std::nullopt);
    ASSERT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(prompts.messages[0].text, "The password is incorrect\rNothing was added to 'a.zip'.");
    EXPECT_EQ(prompts.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(prompts.messages[1].text, "'a.zip' is encrypted: type its password in \"Input Password ( If has ):\" "
                                        "to add files to it.\rNothing was added.");
    EXPECT_TRUE(prompts.questions.empty());
}

TEST_F(AddedFilesPassword, AnArchiveThatCannotBeReadRaisesTheReadersError) {
    writeFile(dir / "a.zip", "not a zip archive");
    EXPECT_THROW(passwordForAddedFiles(prompts, (dir / "a.zip").string(), "", ""), Error);
}
