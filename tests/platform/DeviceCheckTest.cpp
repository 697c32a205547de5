// CheckDevice: the trail entries of failed device results.

#include <gtest/gtest.h>

#include "errors/ErrorTrail.h"
#include "platform/DeviceCheck.h"

namespace platform {
namespace {

class DeviceCheckTest : public ::testing::Test {
protected:
    void SetUp() override { ClearErrors(); }
    void TearDown() override { ClearErrors(); }
};

struct Case {
    Result Code;
    const char* Entry;
};

TEST_F(DeviceCheckTest, NamesEveryResultTheDeviceReturns) {
    const Case cases[] = {
        {D3DERR_INVALIDCALL, "(Device,2289436780) D3DERR_INVALIDCALL (Invalid call)"},
        {D3DERR_DEVICELOST, "(Device,2289436776) D3DERR_DEVICELOST (Device lost)"},
        {D3DERR_DEVICENOTRESET, "(Device,2289436777) D3DERR_DEVICENOTRESET (Device not reset)"},
        {D3DERR_NOTAVAILABLE, "(Device,2289436778) D3DERR_NOTAVAILABLE (Not available)"},
        {D3DERR_OUTOFVIDEOMEMORY, "(Device,2289435004) D3DERR_OUTOFVIDEOMEMORY (Out of video memory)"},
        {D3DERR_DRIVERINTERNALERROR, "(Device,2289436711) D3DERR_DRIVERINTERNALERROR (Driver internal error)"},
        {D3DXERR_INVALIDDATA, "(Device,2289437529) D3DXERR_INVALIDDATA (Invalid data)"},
        {E_OUTOFMEMORY, "(Device,2147942414) E_OUTOFMEMORY (Ran out of memory)"},
        {Failure(0x80001234u), "(Device,2147488308) Unknown (n/a)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckDevice(c.Code, ""), c.Code);
        std::string entry;
        ASSERT_TRUE(TakeLastError(entry));
        const size_t text = entry.find("] ");
        ASSERT_NE(text, std::string::npos) << entry;
        EXPECT_EQ(entry.substr(text + 2), c.Entry);
        EXPECT_FALSE(TakeLastError(entry)) << "an empty message adds no entry";
    }
}

TEST_F(DeviceCheckTest, StartsANewChainWithTheCallersPositionAndMessage) {
    RaiseError("an older failure");
    const int line = __LINE__ + 1;
    EXPECT_EQ(CheckDevice(D3DERR_INVALIDCALL, "Nie można utworzyć tekstury"), D3DERR_INVALIDCALL);
    const std::string position = "[DeviceCheckTest," + std::to_string(line) + "] ";
    EXPECT_TRUE(ErrorRaised());
    ASSERT_EQ(ErrorEntries().size(), 2u);
    EXPECT_EQ(ErrorEntries()[0], position + "(Device,2289436780) D3DERR_INVALIDCALL (Invalid call)");
    EXPECT_EQ(ErrorEntries()[1], position + "Nie można utworzyć tekstury");
}

TEST_F(DeviceCheckTest, SuccessTouchesNothing) {
    RaiseError("kept");
    for (Result success : {D3D_OK, Result {1}, Result {0x7FFFFFFF}}) {
        EXPECT_EQ(CheckDevice(success, "message"), success);
        ASSERT_EQ(ErrorEntries().size(), 1u);
        EXPECT_TRUE(ErrorRaised());
    }
    ClearErrors();
    EXPECT_EQ(CheckDevice(D3D_OK, "message"), D3D_OK);
    EXPECT_FALSE(ErrorRaised());
    EXPECT_TRUE(ErrorEntries().empty());
}

}  // namespace
}  // namespace platform
