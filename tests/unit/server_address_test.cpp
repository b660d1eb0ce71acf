#include <gtest/gtest.h>

#include "upload/server_address.h"

namespace yarvelin {
namespace {

struct AddressCase {
    const char* text;
    FtpProtocol protocol;
    const char* host;
    std::uint16_t port;
    const char* folder;
    std::optional<bool> passive;
};

void PrintTo(const AddressCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class ServerAddressAccepted : public ::testing::TestWithParam<AddressCase> {};
TEST_P(ServerAddressAccepted, Parts) {
    const AddressCase& c = GetParam();
    const ServerAddressResult result = ParseServerAddress(c.text);
    ASSERT_TRUE(result.address.has_value()) << result.error;
    EXPECT_EQ(result.address->protocol, c.protocol);
    EXPECT_EQ(result.address->host, c.host);
    EXPECT_EQ(result.address->port, c.port);
    EXPECT_EQ(result.address->folder, c.folder);
    EXPECT_EQ(result.address->passive, c.passive);
}
using P = FtpProtocol;
INSTANTIATE_TEST_SUITE_P(
    Forms, ServerAddressAccepted,
    ::testing::Values(AddressCase{"ftp.example.com", P::Ftp, "ftp.example.com", 21, "", std::nullopt},
                      AddressCase{"  ftp.example.com \t", P::Ftp, "ftp.example.com", 21, "", std::nullopt},
                      AddressCase{"ftp.example.com:2121", P::Ftp, "ftp.example.com", 2121, "", std::nullopt},
                      AddressCase{"127.0.0.1:65535", P::Ftp, "127.0.0.1", 65535, "", std::nullopt},
                      AddressCase{"::1", P::Ftp, "::1", 21, "", std::nullopt},
                      AddressCase{"[::1]:2121", P::Ftp, "::1", 2121, "", std::nullopt},
                      AddressCase{"[fe80::1%eth0]", P::Ftp, "fe80::1%eth0", 21, "", std::nullopt},
                      AddressCase{"ftp://host", P::Ftp, "host", 21, "", std::nullopt},
                      AddressCase{"FTP://Host:2100/", P::Ftp, "Host", 2100, "", std::nullopt},
                      AddressCase{"ftp://host/feeds/in/", P::Ftp, "host", 21, "/feeds/in", std::nullopt},
                      AddressCase{"ftp://host?passive", P::Ftp, "host", 21, "", true},
                      AddressCase{"ftp://host:21/up?ACTIVE", P::Ftp, "host", 21, "/up", false},
                      AddressCase{"ftpes://host", P::FtpExplicitTls, "host", 21, "", std::nullopt},
                      AddressCase{"ftpes://host:2990?passive", P::FtpExplicitTls, "host", 2990, "", true},
                      AddressCase{"ftps://host", P::FtpImplicitTls, "host", 990, "", std::nullopt},
                      AddressCase{"ftps://[::1]:9990/x", P::FtpImplicitTls, "::1", 9990, "/x", std::nullopt},
                      AddressCase{"sftp://host", P::Sftp, "host", 22, "", std::nullopt},
                      AddressCase{"sftp://host:2222/~/feeds", P::Sftp, "host", 2222, "/~/feeds",
                                  std::nullopt},
                      AddressCase{"host/feeds", P::Ftp, "host", 21, "/feeds", std::nullopt}));

struct RefusedCase {
    const char* text;
    const char* why;  // part of the reason the message gives
};
void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class ServerAddressRefused : public ::testing::TestWithParam<RefusedCase> {};
TEST_P(ServerAddressRefused, NamesTheReasonAndTheAcceptedForms) {
    const ServerAddressResult result = ParseServerAddress(GetParam().text);
    ASSERT_FALSE(result.address.has_value());
    EXPECT_NE(result.error.find(GetParam().why), std::string::npos) << result.error;
    for (const char* form : {"host:port", "ftp://", "ftpes://", "ftps://", "sftp://"}) {
        EXPECT_NE(result.error.find(form), std::string::npos) << result.error;
    }
}
INSTANTIATE_TEST_SUITE_P(
    Forms, ServerAddressRefused,
    ::testing::Values(RefusedCase{"", "no server"}, RefusedCase{"http://host", "\"http://\" is not"},
                      RefusedCase{"host:0", "1 to 65535"}, RefusedCase{"host:65536", "1 to 65535"},
                      RefusedCase{"host:", "1 to 65535"}, RefusedCase{"host:21x", "1 to 65535"},
                      RefusedCase{"sftp://:22", "host name is missing"},
                      RefusedCase{"ftp://user@host", "Username box"}, RefusedCase{"[::1", "\"]\""},
                      RefusedCase{"[::1]x", ":port"}, RefusedCase{"[host]:21", "not an IPv6"},
                      RefusedCase{"ho st", "letters, digits"}, RefusedCase{"sftp://host?passive", "?passive"},
                      RefusedCase{"host?passive", "?passive"}, RefusedCase{"ftp://host?fast", "?passive"}));

TEST(ServerAddress, DefaultPortStandsInOnlyWhenNoneIsTyped) {
    EXPECT_EQ(ParseServerAddress("sftp://host", 2222).address->port, 2222);
    EXPECT_EQ(ParseServerAddress("sftp://host:23", 2222).address->port, 23);
}

TEST(ServerAddress, RemotePathJoinsTheFolder) {
    ServerAddress a;
    EXPECT_EQ(RemotePathIn(a, "shop.txt"), "shop.txt");
    a.folder = "/~/feeds";
    EXPECT_EQ(RemotePathIn(a, "shop.txt"), "/~/feeds/shop.txt");
}

}  // namespace
}  // namespace yarvelin
