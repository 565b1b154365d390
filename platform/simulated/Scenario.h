#pragma once
// Scenarios: a set of simulated cameras described as data, in code or in a JSON file (the
// format is documented in docs/simulation.md). Each camera is a chip family in a unit layout,
// with or without a flash part, with its USB identity and the hub and port it hangs on.
//
//   const Scenario_Load load = Load_Scenario_File("scenarios/demo.json");
//   if (!load.Loaded) report(load.Error);
//   Build_Scenario(*backend, *load.Loaded);
//
// A program that honours ZUNQ_SF_SIMULATION asks Backend_From_Environment at start-up and
// installs what it answers.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/simulated/Chip_Families.h"
#include "platform/simulated/Simulated_Backend.h"
#include "platform/simulated/Video_Input_Identity.h"

namespace platform::simulated {

inline constexpr const char* Scenario_Environment_Variable = "ZUNQ_SF_SIMULATION";

// A hub of the USB tree. A hub without a parent is a root hub; one with a parent hangs on port
// Parent_Port of that hub.
struct Scenario_Hub {
    std::string Name;
    std::string Parent;
    std::uint32_t Parent_Port = 0;
    std::uint32_t Ports = 4;
};

// The camera as the USB tree shows it.
struct Scenario_Usb {
    std::uint16_t Vid = 0;
    std::uint16_t Pid = 0;
    std::uint16_t Bcd = 0;
    std::string Manufacturer;
    std::string Product;
    std::string Serial;
    std::string Hub;        // the name of the hub the camera hangs on
    std::uint32_t Port = 0; // its port on that hub, from 1
};

struct Scenario_Camera {
    Chip_Camera_Description Chip;
    Scenario_Usb Usb;
    // The capture path is made from the USB place when the file gives none (Build_Scenario).
    Video_Input_Identity Video;
};

// A step of the scenario's timeline: once At_Ms have passed on the backend's clock, the named
// camera is unplugged, or plugged back into its own hub port (a camera already so, or whose
// port is taken, stays as it is).
struct Scenario_Step {
    enum class Action { Unplug, Plug };
    std::uint64_t At_Ms = 0;
    Action What = Action::Unplug;
    std::string Camera;
};

struct Scenario {
    // Every hub a camera or hub names; hubs a file does not list are root hubs with as many
    // ports as their cameras need.
    std::vector<Scenario_Hub> Hubs;
    std::vector<Scenario_Camera> Cameras;
    std::vector<Scenario_Step> Timeline;
};

// A loaded scenario, or the first error found ("cameras[1].usb.port: ..."), never both.
struct Scenario_Load {
    std::optional<Scenario> Loaded;
    std::string Error;
};

// Reads scenario JSON text. Every value is checked (names of families, layouts and hubs,
// number ranges, unknown keys, one camera per hub port); nothing throws. Files the text names
// (flash contents to start from and to save to) are relative to `file_directory`; without
// one, naming a file is an error and no file is touched.
Scenario_Load Parse_Scenario(std::string_view json_text,
                             const std::optional<std::string>& file_directory = std::nullopt);
Scenario_Load Load_Scenario_File(const std::string& path);

// Adds the scenario's cameras to `backend`, in the scenario's order, and puts its timeline on
// the backend's clock. Their flash parts are allocated whole (std::bad_alloc when memory runs
// out).
std::vector<std::shared_ptr<Simulated_Camera>> Build_Scenario(Simulated_Backend& backend,
                                                              const Scenario& scenario);

// With ZUNQ_SF_SIMULATION naming a scenario file: a new simulated backend serving its cameras,
// on virtual or real time (a program a person watches asks for real time). Unset or empty:
// null, and `error` empty (the host's own cameras are meant). A file that cannot be loaded,
// or whose cameras do not fit in memory: null and the reason in `error`.
std::shared_ptr<Simulated_Backend> Backend_From_Environment(std::string& error,
                                                            Simulated_Time time = Simulated_Time::Virtual);

} // namespace platform::simulated
