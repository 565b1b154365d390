#pragma once
// A simulated UVC camera as the camera library reaches it: a control channel that carries
// extension-unit requests to the units bound at (node, GUID), a chip behind them with its
// register space, a plan of requests to fail, and every request written to the shared event
// log. The pieces are separate so that chip families, flash parts and further selectors are
// added to a camera rather than written into it:
//   Chip_Model      power-on registers and restart triggers
//   Unit_Table      which unit answers at which (node, GUID)
//   Simulated_Unit  the controls of one unit, by selector
//   Register_Bus    the chip's registers, plain memory with behaviour attached by range
//   Flash_Controller  opcode slots, program mode, the SPI bus with the flash part, and whether
//                   the chip is still busy (then every request but a length query is lost)
//   Video_Input_Identity  what the camera shows as a video-input device
//   Fault_Plan      requests that fail on purpose
//   Event_Log       what happened, in order
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/Ks_Control.h"
#include "platform/simulated/Chip_Model.h"
#include "platform/simulated/Event_Log.h"
#include "platform/simulated/Fault_Plan.h"
#include "platform/simulated/Flash_Controller.h"
#include "platform/simulated/Register_Bus.h"
#include "platform/simulated/Simulated_Unit.h"
#include "platform/simulated/Unit_Table.h"
#include "platform/simulated/Video_Input_Identity.h"

namespace platform::simulated {

// How the camera is about to answer a request (Simulated_Camera::Change_Answers).
struct Camera_Answer {
    Request_Code Code;
    std::uint32_t Selector;
    std::span<std::uint8_t> Data; // a get: the answer the host receives; a set: the bytes sent
    HRESULT Result;               // E_MORE_DATA for a length query that is answered
    std::uint32_t Bytes_Returned; // a length query: the length; a get: the bytes answered
};

class Simulated_Camera : public std::enable_shared_from_this<Simulated_Camera> {
public:
    // A powered-on camera whose chip unit serves the register selectors; the chip unit is not
    // bound to any (node, GUID) yet (Bind_Chip_Unit).
    static std::shared_ptr<Simulated_Camera> Create(std::string name, Chip_Model model,
                                                    std::shared_ptr<Event_Log> log);

    const std::string& Name() const { return name_; }
    const Chip_Model& Model() const { return model_; }
    Event_Log& Log() { return *log_; }

    // The pieces, for building a camera and inspecting it between requests. Configure them
    // before the library runs, and inspect them when it is done: requests may come from
    // another thread.
    Register_Bus& Registers() { return registers_; }
    Unit_Table& Units() { return units_; }
    Fault_Plan& Faults() { return faults_; }
    // The chip's flash side; a restart powers it on with the registers.
    Flash_Controller& Flash() { return flash_; }
    Video_Input_Identity& Video_Input() { return video_input_; }
    // The unit through which the chip serves its selectors (registers now; more mechanisms add
    // theirs to it).
    const std::shared_ptr<Simulated_Unit>& Chip_Unit() const { return chip_unit_; }
    // Makes the chip unit answer at (node, GUID).
    void Bind_Chip_Unit(std::uint32_t node_id, const GUID& guid) { units_.Bind(node_id, guid, chip_unit_); }

    // The camera's present connection to the host: 0 at first, one more each time it is
    // plugged in again. To the host a camera plugged in again is a new device: what was opened
    // on an earlier connection stays gone.
    std::uint64_t Connection() const;

    // A control channel to this camera on its present connection (or on `connection`), as the
    // platform hands one to the library's camera device object. It keeps the camera alive.
    std::unique_ptr<Ks_Control> Open_Control();
    std::unique_ptr<Ks_Control> Open_Control(std::uint64_t connection);
    // How many of the camera's control channels are open now: the record of whether a program
    // let go of the camera (a real host gives the camera's kernel driver back when it does).
    unsigned Open_Channels() const { return open_channels_.load(); }

    // The request handling behind every channel (the Ks_Control contract): on the present
    // connection, or on `connection`, which fails as for a gone device once it has ended.
    HRESULT Ks_Property(const KSP_NODE& property, std::uint32_t property_length, void* data,
                        std::uint32_t data_length, std::uint32_t* bytes_returned);
    HRESULT Ks_Property_On(std::uint64_t connection, const KSP_NODE& property, std::uint32_t property_length,
                           void* data, std::uint32_t data_length, std::uint32_t* bytes_returned);

    // A property of the camera's video-input device (the Video_Input_Device contract),
    // written to the event log; on `connection`, when given, as Ks_Property_On.
    HRESULT Read_Video_Property(std::string_view name, std::string& text,
                                std::optional<std::uint64_t> connection = std::nullopt);

    // Unplugged, the camera answers every request and property read with Device_Not_Connected
    // (each still logged), as a device that is gone; its channels stay valid and keep failing.
    // Plugged in again it starts a new connection and answers as before through what is
    // opened on it, under `device_path` (its capture path at its new place on the USB tree)
    // unless that is empty. The backend's Unplug_Camera and Plug_Camera do this together with
    // the enumeration, the tree and the notifications.
    void Unplug();
    void Plug_In(const std::string& device_path);
    bool Plugged() const;

    // Where the camera goes when it leaves the host (a leave write, or a restart of a model whose
    // restart reconnects): the backend takes it off the host and brings it back. Called on the
    // thread of the request that made it leave, once that request has been answered and logged.
    // Set by the backend; setting another waits for a call under way.
    using Leave_Handler = std::function<void(Simulated_Camera& camera, const Reconnection& reconnection)>;
    void Set_Leave_Handler(Leave_Handler handler);

    // A device can answer anything: from now on every request's answer goes through `change`,
    // which may rewrite it, after the chip, the fault plan and an unplug made it (fuzz targets;
    // none: answered as made). Called with the camera's lock held. Set it before the library
    // runs.
    void Change_Answers(std::function<void(Camera_Answer&)> change);

    // A device can also lose or refuse what it is sent, which Change_Answers cannot show: it
    // runs once a set has taken effect. From now on every set (SET_CUR) the fault plan leaves
    // alone goes through `decide` before the chip sees it: a Fail action makes it fail with its
    // result and no effect, an Ignore answers success with no effect (as Fault_Plan's faults);
    // nullopt (or another kind) carries it (fuzz targets; none: every set carried). Called with
    // the camera's lock held, after an unplug and the fault plan, before a busy chip loses the
    // set. Set it before the library runs.
    using Set_Decision = std::function<std::optional<Fault_Action>(std::uint32_t selector,
                                                                   std::span<const std::uint8_t> data)>;
    void Decide_Sets(Set_Decision decide);

    std::uint64_t Request_Count() const;
    // How often the chip restarted since it was created.
    unsigned Restart_Count() const;
    // The USB identity the chip took from the image in its flash at its last restart: none
    // before its first, or when its flash held no image of its model's boot layout then. A
    // camera that comes back from leaving shows it to the host (the backend puts it on the
    // camera's USB device); one that stays listed keeps what the host already read.
    std::optional<Boot_Identity> Booted_Identity() const;

    // The processor time the camera spent answering requests (on a real camera that work is
    // the device's, not the host's), on the requesting threads' own clocks, from the request's
    // arrival to its answer; what the camera's leaving sets off on the host is not counted.
    // Counted only while Count_Cpu_Time is on (at first it is off): reading a thread's clock
    // costs about a microsecond each request.
    void Count_Cpu_Time(bool count) { count_cpu_time_.store(count); }
    std::chrono::nanoseconds Cpu_Time() const { return std::chrono::nanoseconds(cpu_time_ns_.load()); }

private:
    friend class Camera_Channel;
    Simulated_Camera(std::string name, Chip_Model model, std::shared_ptr<Event_Log> log);
    HRESULT Request(std::optional<std::uint64_t> connection, const KSP_NODE& property,
                    std::uint32_t property_length, void* data, std::uint32_t data_length,
                    std::uint32_t* bytes_returned);
    HRESULT Carry(std::optional<std::uint64_t> connection, const KSP_NODE& property,
                  std::uint32_t property_length, Request_Code code, std::uint64_t number, void* data,
                  std::uint32_t data_length, std::uint32_t& bytes_returned);
    bool Present(std::optional<std::uint64_t> connection) const {
        return plugged_ && (!connection || *connection == connection_);
    }
    void Triggered(std::uint16_t address, std::uint8_t value);
    // Powers the chip on again with the model's registers and `registers` over them.
    void Restart(const std::vector<Register_Value>& registers);

    std::string name_;
    Chip_Model model_;
    std::shared_ptr<Event_Log> log_;
    Register_Bus registers_;
    Unit_Table units_;
    Fault_Plan faults_;
    Flash_Controller flash_;
    Video_Input_Identity video_input_;
    std::shared_ptr<Simulated_Unit> chip_unit_;

    mutable std::mutex mutex_; // one request at a time, as a device's control pipe
    std::function<void(Camera_Answer&)> change_answers_;
    Set_Decision decide_sets_;
    std::uint64_t request_count_ = 0;
    unsigned restart_count_ = 0;
    std::optional<Boot_Identity> booted_identity_;
    bool restart_pending_ = false;
    const Reconnection* leave_pending_ = nullptr; // a leave write's, in model_
    bool plugged_ = true;
    std::uint64_t connection_ = 0;

    std::atomic<unsigned> open_channels_{0};
    std::atomic<bool> count_cpu_time_{false};
    std::atomic<std::int64_t> cpu_time_ns_{0};

    std::mutex leave_mutex_; // held while the handler runs
    Leave_Handler leave_handler_;
};

} // namespace platform::simulated
