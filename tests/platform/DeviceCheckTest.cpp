// CheckDevice: the trail entries of failed device results.

#include <gtest/gtest.h>

#include "errors/ErrorTrail.h"
#include "platform/DeviceCheck.h"

namespace platform {
namespace {

TEST(DeviceCheck, NamesEveryFailureInANewChainAndLeavesSuccessAlone) {
    const std::pair<Result, const char*> cases[] = {
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
    for (auto [code, entry] : cases) {
        errors::RaiseError("an older failure");
        const int line = __LINE__ + 1;
        EXPECT_EQ(CheckDevice(code, "Nie można utworzyć tekstury"), code);
        const std::string position = "[DeviceCheckTest," + std::to_string(line) + "] ";
        EXPECT_EQ(errors::ErrorEntries(),
                  (std::vector<std::string> {position + entry, position + "Nie można utworzyć tekstury"}));
        CheckDevice(code, "");
        EXPECT_EQ(errors::ErrorEntries().size(), 1u) << "an empty message adds no entry";
    }
    for (Result success : {D3D_OK, Result {1}, Result {0x7FFFFFFF}}) EXPECT_EQ(CheckDevice(success, "message"), success);
    EXPECT_EQ(errors::ErrorEntries().size(), 1u) << "success touches nothing";
    errors::ClearErrors();
}

}  // namespace
}  // namespace platform
