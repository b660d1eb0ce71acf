#include <gtest/gtest.h>

#include "upload/ftp_client.h"
#include "upload/ftp_texts.h"
#include "upload/ftp_trust.h"

namespace yarvelin {
namespace {

struct Base64Case {
    const char* bytes;
    const char* padded;
    const char* bare;
};
class Base64Text : public ::testing::TestWithParam<Base64Case> {};
TEST_P(Base64Text, EncodesAndDecodesBothWays) {
    const Base64Case& c = GetParam();
    EXPECT_EQ(Base64Encode(c.bytes), c.padded);
    EXPECT_EQ(Base64Encode(c.bytes, false), c.bare);
    std::string back;
    ASSERT_TRUE(Base64Decode(c.padded, back));
    EXPECT_EQ(back, c.bytes);
    ASSERT_TRUE(Base64Decode(c.bare, back));
    EXPECT_EQ(back, c.bytes);
}
INSTANTIATE_TEST_SUITE_P(Rfc4648, Base64Text,
                         ::testing::Values(Base64Case{"", "", ""}, Base64Case{"f", "Zg==", "Zg"},
                                           Base64Case{"fo", "Zm8=", "Zm8"}, Base64Case{"foo", "Zm9v", "Zm9v"},
                                           Base64Case{"foob", "Zm9vYg==", "Zm9vYg"},
                                           Base64Case{"fooba", "Zm9vYmE=", "Zm9vYmE"},
                                           Base64Case{"foobar", "Zm9vYmFy", "Zm9vYmFy"}));

TEST(Base64Text, RefusesWhatIsNotBase64) {
    std::string out;
    for (const char* bad : {"Zm9v!", "Z", "Zm9vY===", "Zm 9v"}) {
        EXPECT_FALSE(Base64Decode(bad, out)) << bad;
    }
}

TEST(Fingerprints, OpenSshAndColonForms) {
    // SHA-256 of the empty string.
    std::string digest;
    ASSERT_TRUE(Base64Decode("47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=", digest));
    EXPECT_EQ(OpenSshFingerprint(digest), "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU");
    EXPECT_EQ(ColonHex("\x01\xAB\xff"), "01:AB:FF");
    EXPECT_EQ(ColonHex(""), "");
}

TEST(Fingerprints, PinsAreTakenWithOrWithoutThePrefix) {
    const std::string pin = "sha256//47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=";
    EXPECT_EQ(NormalisedPin(pin), pin);
    EXPECT_EQ(NormalisedPin(pin.substr(8)), pin);
    EXPECT_EQ(NormalisedPin("47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU"), pin);
    EXPECT_EQ(NormalisedPin("sha256//Zm9v"), "");  // not 32 bytes
    EXPECT_EQ(NormalisedPin("AB:CD"), "");
}

struct HintCase {
    int code;
    const char* reply;
    const char* hint;  // part of the sentence; empty: none
};
class FtpErrorHints : public ::testing::TestWithParam<HintCase> {};
TEST_P(FtpErrorHints, SayWhatTheFailureMeans) {
    const std::string hint = FtpErrorHint(GetParam().code, GetParam().reply);
    if (*GetParam().hint == '\0') {
        EXPECT_EQ(hint, "");
    } else {
        EXPECT_NE(hint.find(GetParam().hint), std::string::npos) << hint;
    }
}
INSTANTIATE_TEST_SUITE_P(
    Codes, FtpErrorHints,
    ::testing::Values(
        HintCase{kFtpErrorCannotConnect, "", "refused the connection: check the host and the port"},
        HintCase{kFtpErrorNameNotResolved, "", "host name is unknown"},
        HintCase{kFtpErrorTimeout, "", "did not answer within 60 seconds"},
        HintCase{kFtpErrorLoginFailure, "", "refused the sign-in"},
        HintCase{kFtpErrorConnectionAborted, "", "broke off"},
        HintCase{kFtpErrorNotTrusted, "", "nothing was sent"},
        HintCase{kFtpErrorSecureChannel, "", "offers this protocol on this port"},
        HintCase{kFtpErrorExtended, "530 Login incorrect.\r\n", "refused the sign-in with the words"},
        HintCase{kFtpErrorExtended, "553 Could not create file.\r\n", "refused the file"},
        HintCase{kFtpErrorExtended, "200 OK\r\n", ""}, HintCase{kFtpErrorInternal, "", ""}));

}  // namespace
}  // namespace yarvelin
