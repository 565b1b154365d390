#include "platform/simulated/Simulated_Camera.h"

#include <time.h>

#include <map>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "platform/Video_Input.h"
#include "platform/simulated/Register_Selectors.h"

namespace platform::simulated {

class Camera_Channel final : public Ks_Control {
public:
    Camera_Channel(std::shared_ptr<Simulated_Camera> camera, std::uint64_t connection)
        : camera_(std::move(camera)), connection_(connection) {
        ++camera_->open_channels_;
    }
    ~Camera_Channel() override { --camera_->open_channels_; }
    Camera_Channel(const Camera_Channel&) = delete;
    Camera_Channel& operator=(const Camera_Channel&) = delete;

    HRESULT Ks_Property(const KSP_NODE& property, std::uint32_t property_length, void* data,
                        std::uint32_t data_length, std::uint32_t* bytes_returned) override {
        return camera_->Ks_Property_On(connection_, property, property_length, data, data_length,
                                       bytes_returned);
    }

private:
    std::shared_ptr<Simulated_Camera> camera_;
    std::uint64_t connection_;
};

namespace {

// Adds the calling thread's processor time from its making to Stop to a total (none: nothing
// is read).
class Cpu_Time_Account {
public:
    explicit Cpu_Time_Account(std::atomic<std::int64_t>* total)
        : total_(total), start_ns_(total != nullptr ? Thread_Cpu_Ns() : 0) {}
    ~Cpu_Time_Account() { Stop(); }
    Cpu_Time_Account(const Cpu_Time_Account&) = delete;
    Cpu_Time_Account& operator=(const Cpu_Time_Account&) = delete;

    void Stop() {
        if (total_ != nullptr)
            total_->fetch_add(Thread_Cpu_Ns() - start_ns_);
        total_ = nullptr;
    }

private:
    static std::int64_t Thread_Cpu_Ns() {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    }

    std::atomic<std::int64_t>* total_;
    std::int64_t start_ns_;
};

Request_Code Code_Of(const KSP_NODE& property, std::uint32_t data_length) {
    const std::uint32_t flags = property.Property.Flags;
    if (flags == (KSPROPERTY_TYPE_SET | KSPROPERTY_TYPE_TOPOLOGY))
        return Request_Code::Set_Cur;
    if (flags == (KSPROPERTY_TYPE_GET | KSPROPERTY_TYPE_TOPOLOGY))
        return data_length == 0 ? Request_Code::Get_Len : Request_Code::Get_Cur;
    return Request_Code::Invalid;
}

} // namespace

std::shared_ptr<Simulated_Camera> Simulated_Camera::Create(std::string name, Chip_Model model,
                                                           std::shared_ptr<Event_Log> log) {
    return std::shared_ptr<Simulated_Camera>(
        new Simulated_Camera(std::move(name), std::move(model), std::move(log)));
}

Simulated_Camera::Simulated_Camera(std::string name, Chip_Model model, std::shared_ptr<Event_Log> log)
    : name_(std::move(name)), model_(std::move(model)), log_(std::move(log)),
      chip_unit_(std::make_shared<Simulated_Unit>()) {
    registers_.Set_Power_On_Values(model_.Power_On_Registers);
    std::map<std::uint16_t, std::vector<std::uint8_t>> trigger_values;
    for (const Restart_Trigger& trigger : model_.Restart_Triggers)
        trigger_values[trigger.Address].push_back(trigger.Value);
    for (const Leave_Write& leave : model_.Leave_Writes)
        trigger_values[leave.Write.Address].push_back(leave.Write.Value);
    // The restart happens once the request that triggered it has been answered and logged.
    for (auto& [trigger_address, values] : trigger_values) {
        const std::uint16_t address = trigger_address; // a lambda cannot capture a binding in C++20
        registers_.Attach(
            address, address,
            std::make_shared<Restart_Register>(
                std::move(values), [this, address](std::uint8_t value) { Triggered(address, value); }));
    }
    Add_Register_Selectors(*chip_unit_, registers_);
    registers_.Power_On();
    // The chip's work takes the time the host's pauses give it, on the clock of this log.
    flash_.Set_Time_Source([log = log_.get()] { return log->Now_Ms(); });
}

std::uint64_t Simulated_Camera::Connection() const {
    const std::lock_guard lock(mutex_);
    return connection_;
}

std::unique_ptr<Ks_Control> Simulated_Camera::Open_Control() {
    return Open_Control(Connection());
}

std::unique_ptr<Ks_Control> Simulated_Camera::Open_Control(std::uint64_t connection) {
    return std::make_unique<Camera_Channel>(shared_from_this(), connection);
}

HRESULT Simulated_Camera::Ks_Property(const KSP_NODE& property, std::uint32_t property_length, void* data,
                                      std::uint32_t data_length, std::uint32_t* bytes_returned) {
    return Request(std::nullopt, property, property_length, data, data_length, bytes_returned);
}

HRESULT Simulated_Camera::Ks_Property_On(std::uint64_t connection, const KSP_NODE& property,
                                         std::uint32_t property_length, void* data, std::uint32_t data_length,
                                         std::uint32_t* bytes_returned) {
    return Request(connection, property, property_length, data, data_length, bytes_returned);
}

HRESULT Simulated_Camera::Request(std::optional<std::uint64_t> connection, const KSP_NODE& property,
                                  std::uint32_t property_length, void* data, std::uint32_t data_length,
                                  std::uint32_t* bytes_returned) {
    Cpu_Time_Account account(count_cpu_time_.load() ? &cpu_time_ns_ : nullptr);
    std::unique_lock lock(mutex_);
    Event event;
    event.Kind = Event_Kind::Request;
    event.Camera = name_;
    event.Request_Number = ++request_count_;
    event.Node_Id = property.NodeId;
    event.Unit = property.Property.Set;
    event.Selector = property.Property.Id;
    event.Code = Code_Of(property, data_length);
    event.Length = data_length;

    std::uint32_t returned = 0;
    HRESULT result = Carry(connection, property, property_length, event.Code, event.Request_Number, data,
                           data_length, returned);
    if (change_answers_) {
        Camera_Answer answer{event.Code, event.Selector,
                             std::span(static_cast<std::uint8_t*>(data), data ? data_length : 0), result,
                             returned};
        change_answers_(answer);
        result = answer.Result;
        returned = answer.Bytes_Returned;
    }
    event.Result = result;
    event.Bytes_Returned = returned;
    if (bytes_returned)
        *bytes_returned = returned;
    const bool data_went_out = event.Code == Request_Code::Set_Cur && data;
    const bool data_came_back = event.Code == Request_Code::Get_Cur && result >= 0;
    if ((data_went_out || data_came_back) && log_->Keeps_Request_Data()) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        event.Data.assign(bytes, bytes + data_length);
    }
    log_->Record(std::move(event));

    const Reconnection* leaving = std::exchange(leave_pending_, nullptr);
    if (leaving) {
        restart_pending_ = false;
        Restart(leaving->Registers);
    } else if (std::exchange(restart_pending_, false)) {
        Restart({});
        if (model_.Restart_Reconnects)
            leaving = &*model_.Restart_Reconnects;
    }
    lock.unlock();
    account.Stop();
    if (leaving) {
        const std::lock_guard leave_lock(leave_mutex_);
        if (leave_handler_)
            leave_handler_(*this, *leaving);
    }
    return result;
}

void Simulated_Camera::Triggered(std::uint16_t address, std::uint8_t value) {
    for (const Leave_Write& leave : model_.Leave_Writes) {
        if (leave.Write.Address == address && leave.Write.Value == value) {
            leave_pending_ = &leave.Then;
            return;
        }
    }
    restart_pending_ = true;
}

void Simulated_Camera::Set_Leave_Handler(Leave_Handler handler) {
    const std::lock_guard lock(leave_mutex_);
    leave_handler_ = std::move(handler);
}

HRESULT Simulated_Camera::Carry(std::optional<std::uint64_t> connection, const KSP_NODE& property,
                                std::uint32_t property_length, Request_Code code, std::uint64_t number,
                                void* data, std::uint32_t data_length, std::uint32_t& bytes_returned) {
    if (property_length != sizeof(KSP_NODE) || code == Request_Code::Invalid)
        return Hresult_From_Win32(Win32_Error::Invalid_Parameter);
    if (!data && data_length != 0)
        return E_POINTER;
    if (!Present(connection))
        return Unplugged_Result;
    const std::span bytes(static_cast<std::uint8_t*>(data), data_length);
    auto fault = faults_.Fault_For(number, property.Property.Id, code);
    if (!fault && code == Request_Code::Set_Cur && decide_sets_)
        fault = decide_sets_(property.Property.Id, bytes);
    using Kind = Fault_Action::Kind;
    if (fault && fault->What == Kind::Fail)
        return fault->Result;
    // A chip still busy with earlier work misses the request as a lost one, but the device
    // still answers length queries.
    const bool busy = flash_.Busy();
    if (((fault && fault->What == Kind::Ignore) || busy) && code != Request_Code::Get_Len) {
        bytes_returned = code == Request_Code::Get_Cur ? data_length : 0;
        return S_OK;
    }
    Simulated_Unit* unit = units_.Find(property.NodeId, property.Property.Set);
    if (!unit)
        return Hresult_From_Win32(Win32_Error::Set_Not_Found);
    const HRESULT result = unit->Handle(code, property.Property.Id, bytes, bytes_returned);
    if (fault && fault->What == Kind::Flip_Byte && code == Request_Code::Get_Cur && result >= 0 &&
        fault->Position < bytes.size())
        bytes[fault->Position] ^= 0xFF;
    return result;
}

void Simulated_Camera::Restart(const std::vector<Register_Value>& registers) {
    ++restart_count_;
    Event event;
    event.Kind = Event_Kind::Restart;
    event.Camera = name_;
    log_->Record(std::move(event));
    std::vector<Register_Value> values = model_.Power_On_Registers;
    values.insert(values.end(), registers.begin(), registers.end());
    registers_.Set_Power_On_Values(std::move(values));
    registers_.Power_On();
    flash_.Power_On();
    // The chip boots from what its flash holds now.
    const Simulated_Flash_Part* part = flash_.Part();
    booted_identity_ = part ? Read_Boot_Identity(model_.Boot, part->Contents()) : std::nullopt;
}

HRESULT Simulated_Camera::Read_Video_Property(std::string_view name, std::string& text,
                                              std::optional<std::uint64_t> connection) {
    const std::lock_guard lock(mutex_);
    const bool present = Present(connection);
    std::optional<std::string> value;
    if (name == Property_Device_Path)
        value = video_input_.Device_Path;
    else if (name == Property_Friendly_Name)
        value = video_input_.Friendly_Name;
    else if (name == Property_Description && !video_input_.Description.empty())
        value = video_input_.Description;
    else if (name == Property_Wave_In_Id && video_input_.Wave_In_Id)
        value = std::to_string(*video_input_.Wave_In_Id);
    if (!present)
        value.reset(); // a device that is gone has no properties
    Event event;
    event.Kind = Event_Kind::Property_Read;
    event.Camera = name_;
    event.Property = std::string(name);
    const HRESULT result = value     ? S_OK
                           : present ? Hresult_From_Win32(Win32_Error::Not_Found)
                                     : Hresult_From_Win32(Win32_Error::Device_Not_Connected);
    event.Result = result;
    log_->Record(std::move(event));
    if (value)
        text = std::move(*value);
    return result;
}

void Simulated_Camera::Unplug() {
    const std::lock_guard lock(mutex_);
    plugged_ = false;
}

void Simulated_Camera::Plug_In(const std::string& device_path) {
    const std::lock_guard lock(mutex_);
    if (!plugged_)
        ++connection_;
    plugged_ = true;
    if (!device_path.empty())
        video_input_.Device_Path = device_path;
}

bool Simulated_Camera::Plugged() const {
    const std::lock_guard lock(mutex_);
    return plugged_;
}

void Simulated_Camera::Change_Answers(std::function<void(Camera_Answer&)> change) {
    const std::lock_guard lock(mutex_);
    change_answers_ = std::move(change);
}

void Simulated_Camera::Decide_Sets(Set_Decision decide) {
    const std::lock_guard lock(mutex_);
    decide_sets_ = std::move(decide);
}

std::uint64_t Simulated_Camera::Request_Count() const {
    const std::lock_guard lock(mutex_);
    return request_count_;
}

unsigned Simulated_Camera::Restart_Count() const {
    const std::lock_guard lock(mutex_);
    return restart_count_;
}

std::optional<Boot_Identity> Simulated_Camera::Booted_Identity() const {
    const std::lock_guard lock(mutex_);
    return booted_identity_;
}

} // namespace platform::simulated
