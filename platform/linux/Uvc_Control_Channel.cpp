#include "platform/linux/Uvc_Control_Channel.h"

#include <libusb.h>

#include <cstdio>

#include "platform/Trace_Log.h"
#include "platform/linux/Sysfs_Usb_Devices.h"

namespace platform::linux_host {

namespace {

constexpr std::uint8_t Class_Interface_Out = 0x21;
constexpr std::uint8_t Class_Interface_In = 0xA1;
constexpr std::uint8_t Set_Cur = 0x01;
constexpr std::uint8_t Get_Cur = 0x81;
constexpr std::uint8_t Get_Len = 0x85;
constexpr std::uint32_t Largest_Selector = 0xFF;
constexpr std::uint32_t Largest_Length = 0xFFFF;
// The kernel's usbfs, as the driver of an interface a program has claimed through libusb.
constexpr const char* Claimed_By_Program = "usbfs";

const HRESULT Invalid_Parameter = Hresult_From_Win32(Win32_Error::Invalid_Parameter);
const HRESULT Invalid_Data = Hresult_From_Win32(Win32_Error::Invalid_Data);

} // namespace

Camera_Session::Camera_Session(std::shared_ptr<Libusb_Context> context, std::shared_ptr<Camera_Places> places,
                               Camera_Place place, Video_Control_Interface units, std::uint32_t timeout_ms)
    : context_(std::move(context)), places_(std::move(places)), place_(std::move(place)),
      units_(std::move(units)), timeout_ms_(timeout_ms) {}

Camera_Session::~Camera_Session() {
    if (!handle_)
        return;
    // On a camera that is gone these fail, and there is nothing left to give back. A camera
    // found without a driver (an earlier run killed while it held the camera) gets one too.
    libusb_device_handle* handle = handle_->Get();
    if (claimed_)
        libusb_release_interface(handle, units_.Interface_Number);
    if (Bound_Driver(place_.Interface_Directory).empty())
        libusb_attach_kernel_driver(handle, units_.Interface_Number);
}

void Camera_Session::Bound_Again() {
    const std::lock_guard lock(mutex_);
    timeouts_in_a_row_ = 0;
    open_failure_ = S_OK;
    last_report_ = nullptr;
}

HRESULT Camera_Session::Ks_Property(const KSP_NODE& property, std::uint32_t property_length, void* data,
                                    std::uint32_t data_length, std::uint32_t* bytes_returned) {
    if (property_length != sizeof(KSP_NODE))
        return Invalid_Parameter;
    if (!data && data_length != 0)
        return E_POINTER;
    const std::uint32_t flags = property.Property.Flags;
    const bool get = flags == (KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_TOPOLOGY);
    const bool set = flags == (KSPROPERTY_TYPE_SET | KSPROPERTY_TYPE_TOPOLOGY);
    const std::uint32_t selector = property.Property.Id;
    if ((!get && !set) || selector > Largest_Selector || data_length > Largest_Length)
        return Invalid_Parameter;
    const auto unit = Find_Extension_Unit(units_, property.Property.Set);
    if (!unit)
        return Hresult_From_Win32(Win32_Error::Set_Not_Found);

    std::uint32_t returned = 0;
    HRESULT result = S_OK;
    {
        const std::lock_guard lock(mutex_);
        if (timeouts_in_a_row_ >= Timeouts_Before_Giving_Up) {
            result = Result_From_Libusb(LIBUSB_ERROR_TIMEOUT);
        } else if (get && data_length == 0 && selector == 0) {
            result = Reach();
            if (result >= 0) {
                returned = Presence_Length;
                result = E_MORE_DATA;
            }
        } else {
            result = Hold();
            if (result >= 0)
                result = Carry(get, *unit, static_cast<std::uint8_t>(selector),
                               static_cast<std::uint8_t*>(data), data_length, returned);
        }
    }
    if (bytes_returned)
        *bytes_returned = returned;
    return result;
}

HRESULT Camera_Session::Reach() {
    if (handle_)
        return S_OK;
    if (open_failure_ < 0)
        return open_failure_;
    if (places_->Held_Elsewhere(place_.Location))
        return Report("another program holds its place for a burn", LIBUSB_ERROR_BUSY,
                      Result_From_Libusb(LIBUSB_ERROR_BUSY));
    const int opened = Usb_Device_Handle::Open(context_, place_.Location.Bus, place_.Address, handle_);
    if (opened < 0) {
        open_failure_ = Result_From_Libusb(opened);
        return Report(opened == LIBUSB_ERROR_ACCESS
                          ? "cannot open its device node: install the tool's udev rule (docs/linux.md) and "
                            "plug the camera in again"
                          : "cannot open its device node",
                      opened, open_failure_);
    }
    if (Bound_Driver(place_.Interface_Directory) == Claimed_By_Program) {
        handle_.reset(); // tried again on the next refresh: the other program may be done
        return Report("another program holds its video-control interface", LIBUSB_ERROR_BUSY,
                      Result_From_Libusb(LIBUSB_ERROR_BUSY));
    }
    return S_OK;
}

HRESULT Camera_Session::Hold() {
    const HRESULT reached = Reach();
    if (reached < 0 || claimed_)
        return reached;
    libusb_device_handle* handle = handle_->Get();
    const int interface_number = units_.Interface_Number;
    if (libusb_kernel_driver_active(handle, interface_number) == 1) {
        const int detached = libusb_detach_kernel_driver(handle, interface_number);
        if (detached != 0 && detached != LIBUSB_ERROR_NOT_FOUND) // NOT_FOUND: it let go meanwhile
            return Report("cannot detach the kernel driver from its video-control interface", detached,
                          Result_From_Libusb(detached));
    }
    const int claimed = libusb_claim_interface(handle, interface_number);
    if (claimed < 0)
        return Report("cannot claim its video-control interface", claimed, Result_From_Libusb(claimed));
    claimed_ = true;
    return S_OK;
}

HRESULT Camera_Session::Carry(bool get, std::uint8_t unit, std::uint8_t selector, std::uint8_t* data,
                              std::uint32_t length, std::uint32_t& returned) {
    const auto value = static_cast<std::uint16_t>(selector << 8);
    const auto index = static_cast<std::uint16_t>(unit << 8 | units_.Interface_Number);
    if (get && length == 0) {
        std::uint8_t answer[2] = {};
        const int moved = handle_->Control(Class_Interface_In, Get_Len, value, index, answer, timeout_ms_);
        if (moved < 0)
            return Failed_Transfer(moved);
        timeouts_in_a_row_ = 0;
        if (moved != sizeof answer)
            return Invalid_Data;
        returned = static_cast<std::uint32_t>(answer[0] | answer[1] << 8);
        return E_MORE_DATA;
    }
    const int moved =
        handle_->Control(get ? Class_Interface_In : Class_Interface_Out, get ? Get_Cur : Set_Cur, value,
                         index, std::span(data, length), timeout_ms_);
    if (moved < 0)
        return Failed_Transfer(moved);
    timeouts_in_a_row_ = 0;
    // A get answered short would leave the rest of the caller's buffer as it was.
    if (static_cast<std::uint32_t>(moved) != length) {
        returned = get ? static_cast<std::uint32_t>(moved) : 0;
        return Invalid_Data;
    }
    returned = get ? length : 0;
    return S_OK;
}

HRESULT Camera_Session::Failed_Transfer(int libusb_result) {
    const char* what = nullptr;
    if (libusb_result == LIBUSB_ERROR_NO_DEVICE) {
        what = "the camera is gone";
    } else if (libusb_result != LIBUSB_ERROR_TIMEOUT) {
        timeouts_in_a_row_ = 0; // it answered, if only to refuse
    } else if (++timeouts_in_a_row_ >= Timeouts_Before_Giving_Up) {
        what = "the camera stopped answering: nothing more is sent to it until it is opened again";
    }
    return Report(what, libusb_result, Result_From_Libusb(libusb_result));
}

HRESULT Camera_Session::Report(const char* what, int libusb_result, HRESULT result) {
    // Each reason once per session: the library logs every failed request itself.
    if (what && what != last_report_) {
        last_report_ = what;
        Trace_Printf("\r\n[camera %s]=E %s (%s)\r\n", Where().c_str(), what, Libusb_Meaning(libusb_result));
    }
    return result;
}

std::string Camera_Session::Where() const {
    char text[96];
    std::snprintf(text, sizeof text, " interface %u, USB %04x:%04x, /dev/bus/usb/%03u/%03u",
                  units_.Interface_Number, place_.Vid, place_.Pid, place_.Location.Bus, place_.Address);
    return place_.Location.Sysfs_Name() + text;
}

} // namespace platform::linux_host
