#include "platform/simulated/Control_Selector.h"

namespace platform::simulated {

HRESULT Control_Selector::Get(std::span<std::uint8_t>) {
    return Hresult_From_Win32(Win32_Error::Gen_Failure);
}

HRESULT Control_Selector::Set(std::span<const std::uint8_t>) {
    return Hresult_From_Win32(Win32_Error::Gen_Failure);
}

HRESULT Fixed_Width_Selector::Get(std::span<std::uint8_t> data) {
    if (data.size() != width_)
        return Hresult_From_Win32(Win32_Error::Invalid_Parameter);
    return Get_Value(data);
}

HRESULT Fixed_Width_Selector::Set(std::span<const std::uint8_t> data) {
    if (data.size() != width_)
        return Hresult_From_Win32(Win32_Error::Invalid_Parameter);
    return Set_Value(data);
}

HRESULT Fixed_Width_Selector::Get_Value(std::span<std::uint8_t> data) {
    return Control_Selector::Get(data);
}

HRESULT Fixed_Width_Selector::Set_Value(std::span<const std::uint8_t> data) {
    return Control_Selector::Set(data);
}

} // namespace platform::simulated
