#include "platform/DeviceResults.h"

namespace platform {

namespace {

struct ResultText {
    Result Code;
    std::string_view Name;
    std::string_view Description;
};

constexpr ResultText kResultTexts[] = {
    {D3D_OK, "D3D_OK", "No error occurred"},
    {D3DERR_DRIVERINTERNALERROR, "D3DERR_DRIVERINTERNALERROR", "Driver internal error"},
    {D3DERR_OUTOFVIDEOMEMORY, "D3DERR_OUTOFVIDEOMEMORY", "Out of video memory"},
    {D3DERR_DEVICELOST, "D3DERR_DEVICELOST", "Device lost"},
    {D3DERR_DEVICENOTRESET, "D3DERR_DEVICENOTRESET", "Device not reset"},
    {D3DERR_NOTAVAILABLE, "D3DERR_NOTAVAILABLE", "Not available"},
    {D3DERR_INVALIDCALL, "D3DERR_INVALIDCALL", "Invalid call"},
    {D3DXERR_INVALIDDATA, "D3DXERR_INVALIDDATA", "Invalid data"},
    {E_OUTOFMEMORY, "E_OUTOFMEMORY", "Ran out of memory"},
};

const ResultText* Find(Result result) {
    for (const ResultText& text : kResultTexts)
        if (text.Code == result) return &text;
    return nullptr;
}

}  // namespace

std::string_view ResultName(Result result) {
    const ResultText* text = Find(result);
    return text ? text->Name : "Unknown";
}

std::string_view ResultDescription(Result result) {
    const ResultText* text = Find(result);
    return text ? text->Description : "n/a";
}

}  // namespace platform
