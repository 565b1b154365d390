#pragma once
// Result codes of the platform layer. Every control request to a camera answers with one
// of these 32-bit values; the camera library passes them up unchanged, so their values are
// the ones callers of the library see (the tool keeps the low 16 bits for its messages).
#include <cstdint>

namespace platform {

// Negative is failure, 0 is success. The library reserves the exact value -1 for its own
// failed steps (its flash operations stop only on -1), so no platform result is ever -1.
using HRESULT = std::int32_t;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
// Answer of a length query: the buffer was too small, the needed length is in the
// bytes-returned count.
inline constexpr HRESULT E_MORE_DATA = static_cast<HRESULT>(0x800700EAu);
// No device of the asked category is present.
inline constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216u);

// System error numbers a backend reports through Hresult_From_Win32.
enum class Win32_Error : std::uint16_t {
    Access_Denied = 5,           // the host does not let this user reach the device
    Not_Enough_Memory = 8,       // the host could not allocate what the request needs
    Invalid_Data = 13,           // the device answered with fewer bytes than the request needs
    Gen_Failure = 31,            // the device refused the request (a stalled control)
    Not_Supported = 50,          // the host cannot carry this request
    Invalid_Parameter = 87,      // a length or argument the control does not take
    Sem_Timeout = 121,           // the device did not answer in time
    Busy = 170,                  // another program holds the device
    No_More_Items = 259,         // an enumeration is past its last entry
    More_Data = 234,             // see E_MORE_DATA
    Operation_Aborted = 995,     // the request was cancelled before the device answered
    Io_Device = 1117,            // the transfer failed on the bus
    Device_Not_Connected = 1167, // the device is gone
    Not_Found = 1168,            // no such control selector on the unit
    Set_Not_Found = 1170,        // no unit with this GUID on this node
};

// The system's mapping of an error number into the result space: 0x8007xxxx.
constexpr HRESULT Hresult_From_Win32(Win32_Error error) {
    const auto code = static_cast<std::uint16_t>(error);
    return code == 0 ? S_OK : static_cast<HRESULT>(0x80070000u | code);
}

// Any other failure a backend needs to report, as facility and code. The facility is cut to
// 11 bits, so the result is always negative and never -1 (at most 0x87FFFFFF).
constexpr HRESULT Failure_Result(std::uint16_t facility, std::uint16_t code) {
    return static_cast<HRESULT>(0x80000000u | (static_cast<std::uint32_t>(facility & 0x7FFu) << 16) | code);
}

static_assert(Hresult_From_Win32(Win32_Error::More_Data) == E_MORE_DATA);
static_assert(Failure_Result(0xFFFF, 0xFFFF) < 0 && Failure_Result(0xFFFF, 0xFFFF) != -1);

} // namespace platform
