// The network line's pieces that need no server: addresses and the Telnet client.

#include <gtest/gtest.h>

#include <algorithm>

#include "serial/NetAddress.h"
#include "serial/Rfc2217.h"

namespace {

using namespace rfc2217;

TEST(NetAddress, HostsPortsAndBracketsParseOrAreRefusedWhole) {
  const auto v6 = netaddr::Parse("RFC2217://[fe80::1%eth0]:4001");
  ASSERT_TRUE(v6);
  EXPECT_EQ("fe80::1%eth0", v6->host);
  EXPECT_EQ(4001, v6->port);
  EXPECT_EQ("rfc2217://[fe80::1%eth0]:4001", v6->Text());
  const auto raw = netaddr::Parse("tcp://line-3.plant:65535");
  ASSERT_TRUE(raw);
  EXPECT_EQ(netaddr::Kind::Raw, raw->kind);
  for (const char* bad :
       {"tcp://host:0", "tcp://host:65536", "tcp://host", "tcp://:4001", "tcp://fe80::1:4001", "tcp://[::1]4001",
        "tcp://a b:1", "rfc2217://host:4001x",
        // brackets hold an IPv6 address, a zone only after one
        "tcp://[%]:9", "tcp://[%eth0]:9", "tcp://[fe80::1%]:9", "tcp://[host]:9", "tcp://[fe80::1%a%b]:9"}) {
    EXPECT_FALSE(netaddr::Parse(bad)) << bad;
    EXPECT_TRUE(netaddr::IsNetworkPath(bad)) << bad;
  }
  EXPECT_FALSE(netaddr::IsNetworkPath("/dev/ttyUSB0"));
}

TEST(Rfc2217Client, DataIsSeparatedFromNegotiationEvenAcrossReads) {
  CTelnetClient client;
  (void)client.Offers();
  const std::vector<uint8_t> settings = client.LineSettings(0x0001FFFF);  // a rate with an IAC byte in it
  // The rate's 0xFF goes out doubled inside its subnegotiation.
  const std::vector<uint8_t> rate = {kIac, kSb, kComPort, kSetBaudRate, 0, 1, kIac, kIac, kIac, kIac, kIac, kSe};
  EXPECT_TRUE(std::search(settings.begin(), settings.end(), rate.begin(), rate.end()) != settings.end());

  // The server: our options agreed, one of its own we refuse, a modem-state
  // notice, answers to some settings, and the drive's bytes with an escaped 255
  // in between, split at awkward places.
  std::vector<uint8_t> stream = {kIac,
                                 kDo,
                                 kComPort,
                                 kIac,
                                 kWill,
                                 1 /* ECHO */,
                                 'A',
                                 kIac,
                                 kIac,
                                 'B',
                                 kIac,
                                 kSb,
                                 kComPort,
                                 kNotifyModemState + kServerOffset,
                                 0x30,
                                 kIac,
                                 kSe,
                                 kIac,
                                 kSb,
                                 kComPort,
                                 kSetBaudRate + kServerOffset,
                                 0,
                                 1,
                                 kIac,
                                 kIac,
                                 kIac,
                                 kIac,
                                 kIac,
                                 kSe,
                                 kIac,
                                 kSb,
                                 kComPort,
                                 kSetDataSize + kServerOffset,
                                 7,
                                 kIac,
                                 kSe,
                                 'C'};
  std::vector<uint8_t> replies, data;
  for (size_t cut : {size_t{7}, size_t{8}, size_t{23}}) {
    CTelnetClient again = client;
    const auto split = stream.begin() + static_cast<std::ptrdiff_t>(cut);
    std::vector<uint8_t> a(stream.begin(), split), b(split, stream.end());
    replies.clear();
    const size_t first = again.Feed(a.data(), a.size(), replies);
    data.assign(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(first));
    const size_t kept = again.Feed(b.data(), b.size(), replies);
    data.insert(data.end(), b.begin(), b.begin() + static_cast<std::ptrdiff_t>(kept));
    EXPECT_EQ((std::vector<uint8_t>{'A', kIac, 'B', 'C'}), data) << cut;
    EXPECT_EQ((std::vector<uint8_t>{kIac, kDont, 1}), replies) << cut;  // no WILL COM-PORT again
    EXPECT_TRUE(again.ComPortAccepted());
    EXPECT_FALSE(again.SettingsAnswered());
    const std::vector<std::string> notes = again.SettingNotes();
    // The rate confirmed; the data size answered with another value; the rest unanswered.
    ASSERT_EQ(7u, notes.size()) << cut;
    EXPECT_EQ("SET-DATASIZE 8: the server answered 7", notes[0]);
    EXPECT_EQ("SET-CONTROL (DTR on) 8: not confirmed by the server", notes[4]);
  }
}

TEST(Rfc2217Client, AServerThatKeepsAskingIsAnsweredABoundedNumberOfTimesAndToldApart) {
  CTelnetClient client;
  (void)client.Offers();
  // A few requests, as any server's set-up makes: answered, and no flood.
  std::vector<uint8_t> few = {kIac, kDo, 24, kIac, kDo, 31, kIac, kWill, 5};
  std::vector<uint8_t> replies;
  (void)client.Feed(few.data(), few.size(), replies);
  EXPECT_EQ(9u, replies.size());
  EXPECT_FALSE(client.Flooded());

  // Then thousands more: the answers stop at the bound, the drive's bytes still pass.
  std::vector<uint8_t> flood;
  for (int i = 0; i < 5000; ++i) flood.insert(flood.end(), {kIac, kDo, static_cast<uint8_t>(40 + i % 100)});
  flood.push_back('x');
  replies.clear();
  EXPECT_EQ(1u, client.Feed(flood.data(), flood.size(), replies));
  EXPECT_EQ('x', flood[0]);
  EXPECT_LE(replies.size(), 3u * 100);
  EXPECT_TRUE(client.Flooded());
}

TEST(Rfc2217Client, BinaryModeRefusedEitherWayIsKnown) {
  for (const uint8_t verb : {kWont, kDont}) {
    CTelnetClient client;
    (void)client.Offers();
    EXPECT_FALSE(client.BinaryRefused()) << "offered, not yet answered";
    std::vector<uint8_t> answer = {kIac, verb, kBinary};
    std::vector<uint8_t> replies;
    (void)client.Feed(answer.data(), answer.size(), replies);
    EXPECT_TRUE(client.BinaryRefused()) << int{verb};
  }
}

}  // namespace
