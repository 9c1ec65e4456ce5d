#include "gti/comm/mailslot.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "gti/platform/codepage.h"
#include "gti/platform/cp_literal.h"
#include "gti/platform/datagram.h"
#include "support.h"

using lib::ListeningMailSlot;
using lib::SenderMailSlot;
using namespace lib::literals;

namespace {

// A slot name of its own for each test run, so that runs on one machine do not meet.
std::string slot(const char* what) {
    return std::string("gtikit-test-") + what + "-" + std::to_string(getpid());
}

TEST(MailSlot, MessagesArriveWholeAndInOrderAndAnEmptySlotReadsEmptyAtOnce) {
    const std::string name = slot("order");
    ListeningMailSlot in(name.c_str());
    ASSERT_TRUE(in.valid());
    const std::vector<AnsiString> texts = {"abc", "", AnsiString(lib::mailslot_max_text, 'x'), "Южная-7"_cp, "last"};
    SenderMailSlot out(name.c_str());
    for (const AnsiString& t : texts)
        EXPECT_TRUE(out.send_text(t));
    EXPECT_EQ(in.get_mess_count(), static_cast<int>(texts.size()));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(i);
        AnsiString got = "stale";
        in.read_text(got);
        EXPECT_EQ(got, texts[i]);
    }
    EXPECT_EQ(in.get_mess_count(), 0);
    AnsiString got = "stale";  // an empty slot reads empty at once
    in.read_text(got);
    EXPECT_EQ(got, "");
    EXPECT_FALSE(in.wait(0));
}

TEST(MailSlot, TextsThatDoNotFit4096BytesAreRefusedAndDropped) {
    const std::string name = slot("size");
    ListeningMailSlot in(name.c_str());
    SenderMailSlot out(name.c_str());
    EXPECT_FALSE(out.send_text(AnsiString(4096, 'y')));
    EXPECT_EQ(in.get_mess_count(), 0);
    // Another program's oversized message is dropped, not left to stall the polling loop.
    const std::string big(5000, 'z');
    const auto raw = lib::os::local_slot_connect(name);
    ASSERT_TRUE(lib::os::datagram_send(raw, big.data(), big.size(), 0));
    ASSERT_TRUE(lib::os::datagram_send(raw, "ok", 3, 0));
    lib::os::close_socket(raw);
    EXPECT_EQ(in.get_mess_count(), 1);
    EXPECT_EQ(in.dropped(), 1u);
    AnsiString got;
    in.read_text(got);
    EXPECT_EQ(got, "ok");
}

TEST(MailSlot, ListenersOfDifferentNamesGetTheirOwnNotices) {
    const std::string a = slot("a"), b = slot("b");
    ListeningMailSlot in_a(a.c_str());
    // The local path form, in other letter case, names the same slot.
    const std::string b_path = "\\\\.\\MailSlot\\" + slot("B");
    ListeningMailSlot in_b(b_path.c_str());
    ListeningMailSlot second_a(a.c_str());
    EXPECT_TRUE(in_b.valid());
    EXPECT_FALSE(second_a.valid());
    EXPECT_TRUE(SenderMailSlot(a.c_str()).send_text("to a"));
    EXPECT_TRUE(SenderMailSlot(b.c_str()).send_text("to b"));
    AnsiString got;
    in_a.read_text(got);
    EXPECT_EQ(got, "to a");
    in_b.read_text(got);
    EXPECT_EQ(got, "to b");
    EXPECT_EQ(in_a.get_mess_count() + in_b.get_mess_count() + second_a.get_mess_count(), 0);
}

TEST(MailSlot, TheNameOfADeadListenerIsTakenOver) {
    const std::string name = slot("dead");
    gti_test::child_process holder([&](const gti_test::child_process::channel& c) {
        ListeningMailSlot in(name.c_str());
        c.send(in.valid() ? 'L' : 'x');
        c.receive();
        return 0;
    });
    ASSERT_EQ(holder.receive(), 'L');
    EXPECT_FALSE(ListeningMailSlot(name.c_str()).valid());
    holder.kill();
    holder.wait();
    ListeningMailSlot in(name.c_str());
    EXPECT_TRUE(in.valid());
    EXPECT_TRUE(SenderMailSlot(name.c_str()).send_text("again"));
    EXPECT_TRUE(in.wait(-1));
}

TEST(MailSlot, TheNetworkCopyGoesToTheConfiguredAddressOnly) {
    const std::string name = slot("Net");
    // Off by default: no copy, and no local listener either.
    EXPECT_FALSE(SenderMailSlot(name.c_str()).get_remote_net_handle().valid());
    unsigned short port = 0;
    const auto raw = lib::os::udp_bind("127.0.0.1", 0, port);
    ASSERT_NE(raw, lib::os::invalid_socket);
    lib::set_mailslot_network("127.0.0.1", port);
    EXPECT_FALSE(SenderMailSlot(name.c_str()).send_text("abc"));  // no local listener
    char buffer[64] = {};
    ASSERT_TRUE(lib::os::socket_wait_readable(raw, 10000));
    const auto n = lib::os::datagram_receive(raw, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(n)), lib::cp1251::to_lower(name) + '\0' + "abc" + '\0');
    lib::os::close_socket(raw);

    // A listener on the network takes the copies of its own name, beside the local one.
    ListeningMailSlot in(name.c_str());
    ASSERT_TRUE(in.listen_network("127.0.0.1", 0));
    lib::set_mailslot_network("127.0.0.1", in.network_port());
    EXPECT_TRUE(SenderMailSlot(name.c_str()).send_text("twice"));
    SenderMailSlot other(slot("other").c_str());
    auto h = other.get_remote_net_handle();
    EXPECT_TRUE(other.send_text("not ours", h));
    SenderMailSlot::close_handle(h);
    lib::set_mailslot_network(nullptr, 0);
    AnsiString got;
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(in.wait(10000));
        in.read_text(got);
        EXPECT_EQ(got, "twice");
    }
    EXPECT_EQ(in.get_mess_count(), 0);
}

}  // namespace
