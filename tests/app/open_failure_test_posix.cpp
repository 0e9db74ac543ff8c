// Why a port cannot be opened, as POSIX tells it: a missing device, one another program holds,
// one the user has no rights on, and a worker thread that cannot be created. The Windows run
// tells the missing port in its end-to-end test of the program (tests/windows/).

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

#include "console/window/port_failure.h"
#include "serial/comm32.h"
#include "window_fixture.h"

namespace apptest {
namespace {

using SequenceTest = WindowTest;

// Takes the device out of the test's reach. Root may open anything, so as root the device
// becomes one of the dialout group, to be opened while acting as an account outside it (see
// Unprivileged); any other user loses the owner's rights on it.
void TakeRightsAway(const std::string& device) {
    if (geteuid() != 0) {
        EXPECT_EQ(chmod(device.c_str(), 0), 0);
        return;
    }
    const group* dialout = getgrnam("dialout");
    ASSERT_NE(dialout, nullptr);
    EXPECT_EQ(chown(device.c_str(), 0, dialout->gr_gid), 0);
    EXPECT_EQ(chmod(device.c_str(), 0660), 0);
}

// While it lives, a process started as root acts as nobody.
class Unprivileged {
  public:
    Unprivileged() : wasRoot_(geteuid() == 0) {
        if (wasRoot_) {
            EXPECT_TRUE(setegid(kNobody) == 0 && seteuid(kNobody) == 0);
        }
    }
    ~Unprivileged() {
        if (wasRoot_ && (seteuid(0) != 0 || setegid(0) != 0)) std::abort();
    }

  private:
    static constexpr uid_t kNobody = 65534;
    const bool wasRoot_;
};

std::string OwningGroup(const std::string& device) {
    struct stat st {};
    if (stat(device.c_str(), &st) != 0) return {};
    const group* owner = getgrgid(st.st_gid);
    return owner ? owner->gr_name : "";
}

TEST_F(SequenceTest, StartOnAPortThatCannotBeOpenedSaysWhy) {
    PseudoTerminal held, guarded;
    serial::TComm32 otherOpener;  // another program with the port open
    otherOpener.PortName = "//./" + held.Path();
    ASSERT_TRUE(otherOpener.OpenPort());
    TakeRightsAway(guarded.Path());
    MakeWindow();

    const std::string missing = "/dev/dravik-no-such-port";
    const struct {
        std::string device;
        bool unprivileged;
        std::string cause;
    } cases[] = {
        {missing, false, "Устройство " + missing + " не существует."},
        {held.Path(), false,
         "Устройство " + held.Path() + " занято: порт открыт другой программой."},
        {guarded.Path(), true,
         "Нет прав на доступ к устройству " + guarded.Path() + ": добавьте пользователя в группу " +
             OwningGroup(guarded.Path()) + " и войдите в систему заново."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device);
        std::optional<Unprivileged> user;
        if (c.unprivileged) user.emplace();
        ExpectStartFails(c.device, c.cause);
    }
}

// A port object whose worker threads cannot be created, as when the system's thread limit
// is reached.
class NoThreadComm32 : public serial::TComm32 {
  public:
    using TComm32::Worker;
    Worker failing = Worker::Reader;

  protected:
    std::thread StartWorker(Worker which, std::function<void()> body) override {
        if (which == failing) throw std::system_error(EAGAIN, std::generic_category());
        return TComm32::StartWorker(which, std::move(body));
    }
};

// EAGAIN from a port that is held is a busy device; from a thread that cannot be created it
// says nothing about the device, and only the system's own text is shown.
TEST(OpeningFailureCause, NamesTheDeviceOnlyWhenTheDeviceFailed) {
    PseudoTerminal line;
    const std::string name = "//./" + line.Path();
    const std::string again = std::strerror(EAGAIN) + std::string(".");
    for (const auto failing : {NoThreadComm32::Worker::Reader, NoThreadComm32::Worker::Writer}) {
        NoThreadComm32 comm;
        comm.failing = failing;
        comm.PortName = name;
        try {
            comm.OpenPort();
            ADD_FAILURE() << "nothing raised";
        } catch (const serial::ECommsError& e) {
            EXPECT_EQ(console::OpeningFailureCause(name, e), QString::fromStdString(again));
        }
        comm.ClosePort();
    }
    serial::TComm32 holder, second;
    holder.PortName = second.PortName = name;
    ASSERT_TRUE(holder.OpenPort());
    try {
        second.OpenPort();
        ADD_FAILURE() << "a held port opened";
    } catch (const serial::ECommsError& e) {
        EXPECT_EQ(console::OpeningFailureCause(name, e),
                  QString::fromStdString("Устройство " + line.Path() +
                                         " занято: порт открыт другой программой."));
    }
}

}  // namespace
}  // namespace apptest
