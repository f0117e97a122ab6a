#include "core/net/tls_context.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

const std::string Plain = "22359D5ED237330695490B1FE1375CD0F072B374FAC7C48ED5152DCBDAEC72B0";

TEST(Fingerprint, AcceptsColonsAndEitherCase) {
    const std::string withColons = displayFingerprint(Plain);
    EXPECT_EQ(withColons.substr(0, 9), "22:35:9D:");
    EXPECT_EQ(normalizeFingerprint(withColons), Plain);
    std::string lower = withColons;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(normalizeFingerprint(lower), Plain);
    EXPECT_EQ(normalizeFingerprint(" " + Plain + " "), Plain);
}

TEST(Fingerprint, RefusesWhatIsNotASha256) {
    EXPECT_FALSE(normalizeFingerprint(""));
    EXPECT_FALSE(normalizeFingerprint(Plain.substr(2)));
    EXPECT_FALSE(normalizeFingerprint(Plain + "00"));
    EXPECT_FALSE(normalizeFingerprint("G" + Plain.substr(1)));
}

} // namespace
} // namespace quorvel
