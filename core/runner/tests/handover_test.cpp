#include "core/runner/handover.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "basekit/convertion.h"
#include "basekit/exception.h"
#include "basekit/platform/os_local_channel.h"
#include "core/jobs/tests/store_home.h"

namespace brim {
namespace {

class Handover : public brim_test::StoreHome {
protected:
    Handover() { home.set("XDG_RUNTIME_DIR", home.dir().path().string()); }

    // An owner that answers each command line with its length as the status
    // and the line itself as the text.
    std::unique_ptr<HandoverListener> echo_owner() {
        return std::make_unique<HandoverListener>(handover_path(), [this](const bk::String& line) {
            const std::lock_guard lock(mutex_);
            received_.push_back(line);
            return HandoverAnswer{static_cast<int>(bk::to_ansi(line).size()), "got " + bk::to_ansi(line)};
        });
    }

    std::vector<bk::String> received() {
        const std::lock_guard lock(mutex_);
        return received_;
    }

    std::mutex mutex_;
    std::vector<bk::String> received_;
};

TEST_F(Handover, TheChannelLiesInTheRuntimeDirectoryOrElseTheDataDirectory) {
    EXPECT_EQ(handover_path(), wide(home.dir().path() / "brimvault.channel"));
    home.set("XDG_RUNTIME_DIR", std::nullopt);
    EXPECT_EQ(handover_path(), wide(home.data_dir() / "brimvault.channel"));
}

TEST_F(Handover, WithoutAnOwnerNothingIsHandedOver) {
    EXPECT_FALSE(hand_over(handover_path(), u"backup 7").has_value());
}

TEST_F(Handover, TheOwnerAnswersEachCommandLineAsItWasSentUpToTheRecordsLimit) {
    auto owner = echo_owner();
    const std::string long_line(600, 'x');
    const struct {
        bk::String sent;
        std::string arrives;
    } cases[] = {
        {u"backup 7", "backup 7"},
        {u"", ""},
        {u"/home/ann/Sicherung \u00FCber alles.bvf", "/home/ann/Sicherung \xC3\xBC" "ber alles.bvf"},
        {bk::from_ansi(long_line), long_line.substr(0, 519)},
    };
    for (const auto& c : cases) {
        const auto answer = hand_over(handover_path(), c.sent);
        ASSERT_TRUE(answer.has_value()) << c.arrives.size();
        EXPECT_EQ(answer->status, static_cast<int>(c.arrives.size()));
        EXPECT_EQ(answer->text, "got " + c.arrives);
    }
    ASSERT_EQ(received().size(), 4u);
    EXPECT_EQ(bk::to_ansi(received()[3]).size(), 519u);
}

TEST_F(Handover, OneOwnerListensAndAChannelLeftByAnOwnerThatEndedIsTakenOver) {
    {
        auto owner = echo_owner();
        EXPECT_THROW(echo_owner(), bk::IOException);
    }
    // An owner killed while listening leaves its channel file behind.
    const std::string path = bk::to_ansi(handover_path());
    const int left = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    ASSERT_EQ(::bind(left, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ::close(left);
    EXPECT_FALSE(hand_over(handover_path(), u"backup 1").has_value());
    auto owner = echo_owner();
    const auto answer = hand_over(handover_path(), u"backup 1");
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->text, "got backup 1");
}

// The owner's listening thread ends when it is told to, not at its next
// look: a wait without a timeout that is not woken would hang here.
TEST_F(Handover, StoppingTheListenerEndsAWaitThatHasNoTimeout) {
    const bk::os::Handle listener = bk::os::listen_local(handover_path());
    std::thread waiter([listener] { EXPECT_EQ(bk::os::accept_local(listener, -1), bk::os::invalid_handle); });
    bk::os::stop_listening(listener);
    waiter.join();
    bk::os::close(listener, handover_path());
}

TEST_F(Handover, AnOwnerThatDoesNotAnswerInTimeGivesNothing) {
    HandoverListener slow(handover_path(), [](const bk::String&) {
        ::usleep(400000);
        return HandoverAnswer{0, "late"};
    });
    EXPECT_FALSE(hand_over(handover_path(), u"backup 2", 100).has_value());
}

}  // namespace
}  // namespace brim
