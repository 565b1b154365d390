#include "platform/linux/Libusb_Transfer.h"

#include <libusb.h>

#include <algorithm>

namespace platform::linux_host {

namespace {

constexpr HRESULT From(Win32_Error error) {
    return Hresult_From_Win32(error);
}

constexpr Libusb_Result_Row Rows[] = {
    {LIBUSB_ERROR_IO, From(Win32_Error::Io_Device), "the transfer failed on the bus"},
    {LIBUSB_ERROR_INVALID_PARAM, From(Win32_Error::Invalid_Parameter),
     "the host refused the request's values"},
    {LIBUSB_ERROR_ACCESS, From(Win32_Error::Access_Denied), "this user may not open the device"},
    {LIBUSB_ERROR_NO_DEVICE, From(Win32_Error::Device_Not_Connected), "the device is gone"},
    {LIBUSB_ERROR_NOT_FOUND, From(Win32_Error::Gen_Failure), "the device has no such interface"},
    {LIBUSB_ERROR_BUSY, From(Win32_Error::Busy), "another program holds the device"},
    {LIBUSB_ERROR_TIMEOUT, From(Win32_Error::Sem_Timeout), "the device did not answer in time"},
    {LIBUSB_ERROR_OVERFLOW, From(Win32_Error::Invalid_Data), "the device sent more than was asked"},
    {LIBUSB_ERROR_PIPE, From(Win32_Error::Gen_Failure), "the device refused the request (stall)"},
    {LIBUSB_ERROR_INTERRUPTED, From(Win32_Error::Operation_Aborted), "the request was interrupted"},
    {LIBUSB_ERROR_NO_MEM, From(Win32_Error::Not_Enough_Memory), "the host is out of memory"},
    {LIBUSB_ERROR_NOT_SUPPORTED, From(Win32_Error::Not_Supported), "the host cannot carry the request"},
    {LIBUSB_ERROR_OTHER, From(Win32_Error::Gen_Failure), "the host's USB stack failed"},
};

const Libusb_Result_Row* Row_Of(int libusb_result) {
    const auto found = std::find_if(std::begin(Rows), std::end(Rows), [&](const Libusb_Result_Row& row) {
        return row.Libusb_Error == libusb_result;
    });
    return found == std::end(Rows) ? nullptr : found;
}

} // namespace

std::span<const Libusb_Result_Row> Libusb_Result_Rows() {
    return Rows;
}

HRESULT Result_From_Libusb(int libusb_result) {
    if (libusb_result >= 0)
        return S_OK;
    const Libusb_Result_Row* row = Row_Of(libusb_result);
    return row ? row->Result : From(Win32_Error::Gen_Failure);
}

const char* Libusb_Meaning(int libusb_result) {
    if (libusb_result >= 0)
        return "done";
    const Libusb_Result_Row* row = Row_Of(libusb_result);
    return row ? row->Meaning : "the host's USB stack failed";
}

std::shared_ptr<Libusb_Context> Libusb_Context::Start(int& error) {
    libusb_context* context = nullptr;
    error = libusb_init(&context);
    if (error < 0)
        return nullptr;
    return std::shared_ptr<Libusb_Context>(new Libusb_Context(context));
}

Libusb_Context::~Libusb_Context() {
    libusb_exit(context_);
}

int Usb_Device_Handle::Open(std::shared_ptr<Libusb_Context> context, std::uint8_t bus, std::uint16_t address,
                            std::unique_ptr<Usb_Device_Handle>& handle) {
    libusb_device** devices = nullptr;
    // The list comes from libusb's own watch of the host, which it brings up to date first.
    const ssize_t count = libusb_get_device_list(context->Get(), &devices);
    if (count < 0)
        return static_cast<int>(count);
    int result = LIBUSB_ERROR_NO_DEVICE;
    for (ssize_t at = 0; at < count; ++at) {
        libusb_device* device = devices[at];
        if (libusb_get_bus_number(device) != bus || libusb_get_device_address(device) != address)
            continue;
        libusb_device_handle* opened = nullptr;
        result = libusb_open(device, &opened);
        if (result == 0)
            handle.reset(new Usb_Device_Handle(context, opened));
        break;
    }
    libusb_free_device_list(devices, 1);
    return result;
}

Usb_Device_Handle::~Usb_Device_Handle() {
    libusb_close(handle_);
}

int Usb_Device_Handle::Control(std::uint8_t request_type, std::uint8_t request, std::uint16_t value,
                               std::uint16_t index, std::span<std::uint8_t> data, std::uint32_t timeout_ms) {
    if (data.size() > 0xFFFF)
        return LIBUSB_ERROR_INVALID_PARAM;
    return libusb_control_transfer(handle_, request_type, request, value, index, data.data(),
                                   static_cast<std::uint16_t>(data.size()), timeout_ms);
}

} // namespace platform::linux_host
