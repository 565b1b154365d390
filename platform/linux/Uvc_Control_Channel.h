#pragma once
// One camera's control channel on Linux: the library's node properties as UVC class requests
// on endpoint 0, sent with libusb.
//
//   set          SET_CUR (0x01), bmRequestType 0x21
//   get          GET_CUR (0x81), bmRequestType 0xA1
//   length query GET_LEN (0x85), bmRequestType 0xA1, a 2-byte answer
//   wValue = selector << 8, wIndex = unit id << 8 | video-control interface number
//
// The unit is the extension unit whose GUID the property names (Uvc_Extension_Units.h). The
// length query of selector 0, the library's test that a (GUID, node) binding reaches a unit,
// is answered here: the unit exists in the camera's descriptors and the camera can be reached.
// No request goes to the camera for it, since selector 0 names no control a camera has.
//
// Reaching a camera goes in two steps, so that a camera the library does not recognise is
// never disturbed:
//   - the first binding that finds its unit checks that no other program holds the camera's
//     place for a burn (Camera_Places.h), opens the device (which needs only permission on its
//     device node) and checks that no other program holds its video-control interface; a
//     camera that fails here pairs nothing, and the reason goes to the trace log once;
//   - the first real request detaches the kernel driver (uvcvideo) from the video-control
//     interface and claims it. The kernel driver's requests to the camera's units would
//     otherwise interleave with the chip protocols' register sequences.
// A session lives as long as its device is the same (the backend keeps it across refreshes of
// the device list, Linux_Video_Input.h). When it ends, the interface is released and, when no
// driver is bound to it then, the kernel driver is bound to it again, whoever had let it go.
//
// A camera that stops answering without going away would cost the whole transfer timeout on
// every request (a download sends thousands). After Timeouts_Before_Giving_Up timeouts in a
// row the session gives up on it: every further request fails at once with the timeout's
// result, without going to the camera, until the camera is bound again (at the next refresh
// of the device list). An answer of any kind in between starts the count again.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Ks_Control.h"
#include "platform/linux/Camera_Places.h"
#include "platform/linux/Libusb_Transfer.h"
#include "platform/linux/Usb_Device_Names.h"
#include "platform/linux/Uvc_Extension_Units.h"

namespace platform::linux_host {

// The length a selector-0 query answers with; nothing reads it.
inline constexpr std::uint32_t Presence_Length = 1;

// Timeouts in a row after which a session sends nothing more to its camera.
inline constexpr unsigned Timeouts_Before_Giving_Up = 3;

// Which device and interface a session is for, as enumeration found them.
struct Camera_Place {
    Usb_Location Location;
    std::uint16_t Address = 0; // the device number on its bus when it was listed
    std::uint16_t Vid = 0;
    std::uint16_t Pid = 0;
    std::string Interface_Directory; // sysfs; tells whether another program holds the interface
};

class Camera_Session {
public:
    Camera_Session(std::shared_ptr<Libusb_Context> context, std::shared_ptr<Camera_Places> places,
                   Camera_Place place, Video_Control_Interface units, std::uint32_t timeout_ms);
    // Releases the interface and binds the kernel driver to it when none is bound.
    ~Camera_Session();
    Camera_Session(const Camera_Session&) = delete;
    Camera_Session& operator=(const Camera_Session&) = delete;

    // The Ks_Control contract for this camera.
    HRESULT Ks_Property(const KSP_NODE& property, std::uint32_t property_length, void* data,
                        std::uint32_t data_length, std::uint32_t* bytes_returned);

    // The camera is bound again by a refresh of the device list: a session that gave up on it
    // or could not open it tries again, and says again why it fails.
    void Bound_Again();

private:
    HRESULT Reach();
    HRESULT Hold();
    HRESULT Carry(bool get, std::uint8_t unit, std::uint8_t selector, std::uint8_t* data,
                  std::uint32_t length, std::uint32_t& returned);
    HRESULT Failed_Transfer(int libusb_result);
    HRESULT Report(const char* what, int libusb_result, HRESULT result);
    std::string Where() const;

    std::shared_ptr<Libusb_Context> context_;
    std::shared_ptr<Camera_Places> places_;
    Camera_Place place_;
    Video_Control_Interface units_;
    std::uint32_t timeout_ms_;

    std::mutex mutex_; // one request at a time, whichever channel it comes through
    std::unique_ptr<Usb_Device_Handle> handle_;
    HRESULT open_failure_ = S_OK; // an open that failed is not tried again
    bool claimed_ = false;
    unsigned timeouts_in_a_row_ = 0;
    const char* last_report_ = nullptr;
};

// A channel of a session; a filter may hand out several, all sharing the session.
class Uvc_Control_Channel final : public Ks_Control {
public:
    explicit Uvc_Control_Channel(std::shared_ptr<Camera_Session> session) : session_(std::move(session)) {}
    HRESULT Ks_Property(const KSP_NODE& property, std::uint32_t property_length, void* data,
                        std::uint32_t data_length, std::uint32_t* bytes_returned) override {
        return session_->Ks_Property(property, property_length, data, data_length, bytes_returned);
    }

private:
    std::shared_ptr<Camera_Session> session_;
};

} // namespace platform::linux_host
