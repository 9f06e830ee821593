// The ppdev printer-port contract against a simulated kernel below the ppdev calls.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <signal.h>
#include <time.h>

#include "platform/PpdevPortIO.h"

namespace {

// A kernel with printer ports given by their proc files; records opens, ioctls and closes.
class TFakePpdevSystem final : public IPpdevSystem {
public:
    struct TIoctl {
        int Descriptor;
        TPpdevRequest Request;
        std::uint8_t Value;
    };

    bool ReadTextFile(const std::string& path, std::string& text) override
    {
        const auto found = Files.find(path);
        if (found == Files.end())
            return false;
        text = found->second;
        return true;
    }

    int Open(const std::string& path) override
    {
        Opened.push_back(path);
        if (const auto failure = OpenFailures.find(path); failure != OpenFailures.end())
            return -failure->second;
        const int descriptor = NextDescriptor++;
        DeviceOf[descriptor] = path;
        OpenDescriptors->insert(descriptor);
        return descriptor;
    }

    int Ioctl(int descriptor, TPpdevRequest request, std::uint8_t value) override
    {
        Ioctls.push_back({descriptor, request, value});
        if (OpenDescriptors->count(descriptor) == 0)
            return EBADF;
        if (request == TPpdevRequest::Claim && ClaimHeldSeconds > 0) {
            // As ppdev does, the claim sleeps until the holder lets go or a signal comes.
            const timespec held {ClaimHeldSeconds, 0};
            return nanosleep(&held, nullptr) == 0 ? 0 : errno;
        }
        const auto failure = IoctlFailures.find(request);
        return failure == IoctlFailures.end() ? 0 : failure->second;
    }

    int Close(int descriptor) override
    {
        Closed.push_back(descriptor);
        return OpenDescriptors->erase(descriptor) == 1 ? 0 : EBADF;
    }

    // The requests made, in order, without descriptors.
    std::vector<TPpdevRequest> Requests() const
    {
        std::vector<TPpdevRequest> requests;
        for (const TIoctl& call : Ioctls)
            requests.push_back(call.Request);
        return requests;
    }

    void AddPort(int index, const std::string& baseAddressText)
    {
        Files[TPpdevPortIO::BaseAddressPath(index)] = baseAddressText;
    }

    std::map<std::string, std::string> Files;
    std::map<std::string, int> OpenFailures;
    std::map<TPpdevRequest, int> IoctlFailures;
    time_t ClaimHeldSeconds = 0;  // another program holds the port this long
    std::vector<std::string> Opened;
    std::vector<TIoctl> Ioctls;
    std::vector<int> Closed;
    // Shared so that a test can look after the port object, and this fake with it, is gone.
    std::shared_ptr<std::set<int>> OpenDescriptors = std::make_shared<std::set<int>>();
    std::map<int, std::string> DeviceOf;
    int NextDescriptor = 3;
};

using R = TPpdevRequest;

class PpdevPortIOTest : public ::testing::Test {
protected:
    PpdevPortIOTest()
    {
        auto system = std::make_unique<TFakePpdevSystem>();
        Kernel = system.get();
        Kernel->AddPort(0, "888\t1912\n");  // 0x378
        Kernel->AddPort(1, "632\t-1\n");    // 0x278
        PortIO = std::make_unique<TPpdevPortIO>(std::move(system));
    }

    bool StateSaysSucces() { return PortIO->GetLastState().find("succes") != std::string::npos; }

    TFakePpdevSystem* Kernel = nullptr;
    std::unique_ptr<TPpdevPortIO> PortIO;
};

TEST_F(PpdevPortIOTest, AddressIsTheFirstNumberOfTheKernelsBaseAddressFile)
{
    struct TRow {
        const char* Name;
        const char* FileText;  // nullptr: no such port
        std::uint16_t Expected;
    };
    const TRow rows[] = {
        {"base then extended base", "888\t1912\n", 888},
        {"base alone", "956", 956},
        {"leading blanks", "  \t632 -1\n", 632},
        {"pci card", "53264\t53248\n", 53264},
        {"absent", nullptr, 0},
        {"not a number", "none\n", 0},
        {"empty", "", 0},
        {"beyond 16 bits", "65536\t0\n", 0},
        {"negative", "-1\n", 0},
    };
    for (const TRow& row : rows) {
        Kernel->Files.clear();
        if (row.FileText != nullptr)
            Kernel->AddPort(2, row.FileText);
        EXPECT_EQ(PortIO->GetLPTPortAddress(3), row.Expected) << row.Name;
    }
    EXPECT_EQ(PortIO->GetLPTPortAddress(0), 0);
    EXPECT_EQ(PortIO->GetLPTPortAddress(-1), 0);
}

TEST_F(PpdevPortIOTest, NumbersLptPortsFromParport0)
{
    EXPECT_EQ(PortIO->GetLPTPortAddress(1), 0x378);
    EXPECT_EQ(PortIO->GetLPTPortAddress(2), 0x278);
    EXPECT_EQ(PortIO->GetLPTPortAddress(3), 0);
    EXPECT_TRUE(PortIO->IsWinNT());
}

TEST_F(PpdevPortIOTest, FirstOutportClaimsThePortOnce)
{
    PortIO->Outport(0x378, 42);
    PortIO->Outport(0x37A, 3);
    PortIO->Outport(0x378, 1);

    EXPECT_EQ(Kernel->Opened, std::vector<std::string>{"/dev/parport0"});
    EXPECT_EQ(Kernel->Requests(),
              (std::vector<R>{R::Claim, R::WriteData, R::WriteControl, R::WriteData}));
    EXPECT_EQ(Kernel->Ioctls[1].Value, 42);
    EXPECT_EQ(Kernel->Ioctls[2].Value, 3);
    EXPECT_EQ(Kernel->Ioctls[3].Value, 1);
    EXPECT_TRUE(StateSaysSucces());
}

TEST_F(PpdevPortIOTest, AddressChoosesPortAndRegister)
{
    PortIO->Outport(0x278 + 2, 10);
    PortIO->Outport(0x378, 7);

    EXPECT_EQ(Kernel->Opened, (std::vector<std::string>{"/dev/parport1", "/dev/parport0"}));
    ASSERT_EQ(Kernel->Ioctls.size(), 4u);
    EXPECT_EQ(Kernel->Ioctls[1].Request, R::WriteControl);
    EXPECT_EQ(Kernel->DeviceOf[Kernel->Ioctls[1].Descriptor], "/dev/parport1");
    EXPECT_EQ(Kernel->Ioctls[3].Request, R::WriteData);
    EXPECT_EQ(Kernel->DeviceOf[Kernel->Ioctls[3].Descriptor], "/dev/parport0");
    EXPECT_TRUE(StateSaysSucces());
}

TEST_F(PpdevPortIOTest, RegistersTakeTheBitsTheyHave)
{
    PortIO->Outport(0x378, 300);  // data: the low byte
    PortIO->Outport(0x378, -100);
    PortIO->Outport(0x37A, 0x2B);  // control: the four output lines only
    ASSERT_EQ(Kernel->Ioctls.size(), 4u);
    EXPECT_EQ(Kernel->Ioctls[1].Value, 300 & 0xFF);
    EXPECT_EQ(Kernel->Ioctls[2].Value, 0x9C);
    EXPECT_EQ(Kernel->Ioctls[3].Value, 0x0B);
}

TEST_F(PpdevPortIOTest, WriteWithoutAPortThereFailsWithoutTouchingTheKernel)
{
    for (const std::uint16_t address : {std::uint16_t{0}, std::uint16_t{1}, std::uint16_t{0x3BC},
                                        std::uint16_t{0x379}}) {
        PortIO->Outport(address, 1);
        const std::string state = PortIO->GetLastState();
        EXPECT_EQ(state.find("succes"), std::string::npos) << address;
    }
    EXPECT_TRUE(Kernel->Opened.empty());
    EXPECT_TRUE(Kernel->Ioctls.empty());
}

TEST_F(PpdevPortIOTest, FailedWriteIsReportedOnceThenSuccesAgain)
{
    Kernel->IoctlFailures[R::WriteControl] = EIO;
    PortIO->Outport(0x37A, 8);
    Kernel->IoctlFailures.clear();
    PortIO->Outport(0x378, 46);  // a later good write does not hide the failed one

    const std::string state = PortIO->GetLastState();
    EXPECT_EQ(state.find("succes"), std::string::npos);
    EXPECT_NE(state.find(std::strerror(EIO)), std::string::npos) << state;
    EXPECT_NE(state.find("PPWCONTROL"), std::string::npos) << state;

    PortIO->Outport(0x378, 46);
    EXPECT_TRUE(StateSaysSucces());
}

TEST_F(PpdevPortIOTest, StateCountsFurtherFailures)
{
    Kernel->IoctlFailures[R::WriteData] = EIO;
    for (int i = 0; i < 3; ++i)
        PortIO->Outport(0x378, i);
    const std::string state = PortIO->GetLastState();
    EXPECT_NE(state.find("Outport(0x378, 0)"), std::string::npos) << state;
    EXPECT_NE(state.find("2 more"), std::string::npos) << state;
}

TEST_F(PpdevPortIOTest, DeviceThatWillNotOpenIsReportedAndRetried)
{
    Kernel->OpenFailures["/dev/parport0"] = EACCES;
    PortIO->Outport(0x378, 1);
    const std::string state = PortIO->GetLastState();
    EXPECT_EQ(state.find("succes"), std::string::npos);
    EXPECT_NE(state.find("/dev/parport0"), std::string::npos) << state;
    EXPECT_NE(state.find(std::strerror(EACCES)), std::string::npos) << state;

    Kernel->OpenFailures.clear();
    PortIO->Outport(0x378, 1);
    EXPECT_TRUE(StateSaysSucces());
    EXPECT_EQ(Kernel->Opened.size(), 2u);
}

TEST_F(PpdevPortIOTest, RefusedClaimClosesTheDeviceAndIsRetried)
{
    Kernel->IoctlFailures[R::Claim] = EBUSY;
    PortIO->Outport(0x378, 1);
    EXPECT_FALSE(StateSaysSucces());
    EXPECT_TRUE(Kernel->OpenDescriptors->empty());
    EXPECT_EQ(Kernel->Requests(), std::vector<R>{R::Claim});

    Kernel->IoctlFailures.clear();
    PortIO->Outport(0x378, 1);
    EXPECT_TRUE(StateSaysSucces());
    EXPECT_EQ(Kernel->Requests(), (std::vector<R>{R::Claim, R::Claim, R::WriteData}));
}

TEST_F(PpdevPortIOTest, ClaimOfAPortHeldElsewhereTimesOutAsAFailedWrite)
{
    const auto handlers = [] {
        std::vector<void (*)(int)> all;
        for (int number = 1; number <= SIGRTMAX; ++number) {
            struct sigaction action {};
            sigaction(number, nullptr, &action);
            all.push_back(action.sa_handler);
        }
        return all;
    };
    const auto handlersBefore = handlers();
    sigset_t maskBefore;
    pthread_sigmask(SIG_SETMASK, nullptr, &maskBefore);

    Kernel->ClaimHeldSeconds = 10;
    PortIO->Outport(0x378, 1);
    PortIO->Outport(0x37A, 3);
    const std::string state = PortIO->GetLastState();
    EXPECT_NE(state.find("PPCLAIM on /dev/parport0 timed out"), std::string::npos) << state;
    EXPECT_NE(state.find("1 more"), std::string::npos) << state;
    EXPECT_EQ(Kernel->Requests(), std::vector<R>{R::Claim}) << "the command's other write waits no more";
    EXPECT_TRUE(Kernel->OpenDescriptors->empty());

    EXPECT_EQ(handlers(), handlersBefore);
    sigset_t maskAfter;
    pthread_sigmask(SIG_SETMASK, nullptr, &maskAfter);
    for (int number = 1; number <= SIGRTMAX; ++number)
        EXPECT_EQ(sigismember(&maskAfter, number), sigismember(&maskBefore, number)) << number;

    // The next command tries the claim again.
    Kernel->ClaimHeldSeconds = 0;
    PortIO->Outport(0x378, 1);
    EXPECT_TRUE(StateSaysSucces());
}

TEST_F(PpdevPortIOTest, EnableClaimsAndDisableReleasesAndCloses)
{
    PortIO->EnablePorts(0x378, 0x378);
    ASSERT_EQ(Kernel->Opened, std::vector<std::string>{"/dev/parport0"});
    const int descriptor = Kernel->Ioctls.at(0).Descriptor;
    PortIO->Outport(0x378, 5);
    EXPECT_EQ(Kernel->Requests(), (std::vector<R>{R::Claim, R::WriteData}));

    PortIO->DisablePorts(0x378, 0x378);
    EXPECT_EQ(Kernel->Requests(), (std::vector<R>{R::Claim, R::WriteData, R::Release}));
    EXPECT_EQ(Kernel->Ioctls.back().Descriptor, descriptor);
    EXPECT_EQ(Kernel->Closed, std::vector<int>{descriptor});
    EXPECT_TRUE(Kernel->OpenDescriptors->empty());

    // A write after the release claims the port again.
    PortIO->Outport(0x378, 6);
    EXPECT_EQ(Kernel->Opened.size(), 2u);
    EXPECT_TRUE(StateSaysSucces());
}

TEST_F(PpdevPortIOTest, DisableOfAPortNotHeldDoesNothing)
{
    PortIO->DisablePorts(0x378, 0x378);
    PortIO->DisablePorts(0, 0);
    EXPECT_TRUE(Kernel->Ioctls.empty());
    EXPECT_TRUE(Kernel->Closed.empty());
}

TEST_F(PpdevPortIOTest, DestructionGivesBackEveryHeldPort)
{
    PortIO->Outport(0x378, 1);
    PortIO->Outport(0x27A, 1);
    const std::shared_ptr<std::set<int>> open = Kernel->OpenDescriptors;
    ASSERT_EQ(open->size(), 2u);
    Kernel = nullptr;
    PortIO.reset();
    EXPECT_TRUE(open->empty());
}

}  // namespace

// The real kernel seam: a base address no printer port has is refused without a device.
TEST(LinuxPortIOTest, AddressOfNoPortIsReportedNotWritten)
{
    const std::unique_ptr<IPortIO> portIO = CreatePortIO();
    EXPECT_TRUE(portIO->IsWinNT());
    EXPECT_EQ(portIO->GetLPTPortAddress(TPpdevPortIO::MaxPortIndex + 2), 0);
    portIO->Outport(0, 1);
    EXPECT_EQ(portIO->GetLastState().find("succes"), std::string::npos);
    EXPECT_NE(portIO->GetLastState().find("succes"), std::string::npos);
}
