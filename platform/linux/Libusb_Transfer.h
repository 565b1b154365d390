#pragma once
// The host's USB stack through libusb-1.0: one context per backend, devices opened by bus and
// address, control transfers on endpoint 0, and the mapping of libusb's errors to the results
// the platform seams pass up.
//
// libusb's own errors are small negative numbers, -1 (LIBUSB_ERROR_IO) among them; nothing
// here lets one through: every result that leaves the backend goes through Result_From_Libusb,
// which never gives -1 and gives a device that is gone a result of its own.
#include <cstdint>
#include <memory>
#include <span>

#include "platform/Result_Code.h"

struct libusb_context;
struct libusb_device_handle;

namespace platform::linux_host {

// One row per libusb error: the result passed up, and what it means in a trace line.
struct Libusb_Result_Row {
    int Libusb_Error;
    HRESULT Result;
    const char* Meaning;
};
std::span<const Libusb_Result_Row> Libusb_Result_Rows();

// S_OK for 0 or a byte count; the row's result for an error; Gen_Failure for an error no row
// names.
HRESULT Result_From_Libusb(int libusb_result);
const char* Libusb_Meaning(int libusb_result);

// A libusb context. Handles keep it alive, so a control channel stays usable after the
// backend that made it is gone.
class Libusb_Context {
public:
    // Starts libusb: the context, or null with libusb's error in `error`.
    static std::shared_ptr<Libusb_Context> Start(int& error);
    ~Libusb_Context();
    Libusb_Context(const Libusb_Context&) = delete;
    Libusb_Context& operator=(const Libusb_Context&) = delete;

    libusb_context* Get() const { return context_; }

private:
    explicit Libusb_Context(libusb_context* context) : context_(context) {}
    libusb_context* context_;
};

// An open USB device. Opening asks nothing of the device and takes no interface, so the
// drivers bound to it go on as before.
class Usb_Device_Handle {
public:
    // The device at `address` on `bus`: 0 with `handle` set, or libusb's error (NO_DEVICE when
    // no such device is there, ACCESS when this user may not open it).
    static int Open(std::shared_ptr<Libusb_Context> context, std::uint8_t bus, std::uint16_t address,
                    std::unique_ptr<Usb_Device_Handle>& handle);
    ~Usb_Device_Handle();
    Usb_Device_Handle(const Usb_Device_Handle&) = delete;
    Usb_Device_Handle& operator=(const Usb_Device_Handle&) = delete;

    libusb_device_handle* Get() const { return handle_; }

    // One control transfer: the bytes moved in the data stage, or libusb's error. The request
    // type's direction bit tells whether `data` is sent or filled.
    int Control(std::uint8_t request_type, std::uint8_t request, std::uint16_t value, std::uint16_t index,
                std::span<std::uint8_t> data, std::uint32_t timeout_ms);

private:
    Usb_Device_Handle(std::shared_ptr<Libusb_Context> context, libusb_device_handle* handle)
        : context_(std::move(context)), handle_(handle) {}
    std::shared_ptr<Libusb_Context> context_;
    libusb_device_handle* handle_;
};

} // namespace platform::linux_host
