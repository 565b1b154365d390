#pragma once
// The control seam: how a request of the camera library reaches one camera. Every get, set
// and length query of a vendor extension-unit control goes through Ks_Property; nothing else
// of a camera's USB traffic is visible to the library.
#include <cstdint>

#include "platform/Ks_Property.h"
#include "platform/Result_Code.h"

namespace platform {

// One camera's control channel. The camera device object of the library owns it (one per
// camera, shared by its two extension-unit bindings); destroying it ends the channel.
class Ks_Control {
public:
    virtual ~Ks_Control() = default;

    // Carries one request to the camera.
    //
    // property          names the unit (Property.Set = the unit's GUID, NodeId = its topology
    //                   node), the control (Property.Id = selector) and the direction
    //                   (Property.Flags = KSPROPERTY_TYPE_GET or _SET, with _TOPOLOGY).
    // property_length   sizeof(KSP_NODE); a backend refuses other values.
    // data, data_length set: the bytes to send. Get: where the answer goes.
    //                   data may be null only when data_length is 0.
    // bytes_returned    may be null; receives the number of bytes answered.
    //
    // A get with data_length 0 is a length query: the answer is E_MORE_DATA with the control's
    // length in *bytes_returned (the caller needs a buffer of that size). Only a length query
    // answers E_MORE_DATA.
    //
    // Results:
    //   S_OK               set carried, or get answered (data filled).
    //   E_MORE_DATA        a length query was answered.
    //   E_POINTER          data null with a nonzero data_length.
    //   other negative     the request failed: no unit with this GUID on this node
    //                      (Win32_Error::Set_Not_Found), no such selector (Not_Found), a
    //                      length the control does not take (Invalid_Parameter), the device
    //                      refused it (Gen_Failure) or is gone (Device_Not_Connected). A
    //                      backend never answers exactly -1: the library keeps -1 for its own
    //                      failed steps.
    //
    // The call returns when the camera has answered; it neither retries nor waits for pacing
    // (pauses between requests are the chip protocols' business, through platform::Sleep).
    // One camera's channel is used by one thread at a time; channels of different cameras
    // may be used from different threads at once.
    virtual HRESULT Ks_Property(const KSP_NODE& property, std::uint32_t property_length, void* data,
                                std::uint32_t data_length, std::uint32_t* bytes_returned) = 0;
};

} // namespace platform
