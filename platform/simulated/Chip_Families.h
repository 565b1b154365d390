#pragma once
// The simulated chip families, one row each, and the extension-unit layouts a camera can show
// to the host's identification. A camera is a family (power-on identity registers, restart
// trigger, the flash mechanisms its chip has) in one layout (at which (node, GUID) keys its
// chip unit answers), with or without a flash part on its SPI bus:
//
//   auto camera = Add_Chip_Camera(*backend, Chip_Camera("front", "SPCA2281", "direct"));
//
// The chip unit answers at every key of its layout, so the chip's selectors are served
// wherever the identification leaves the binding the family's protocol talks through.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Guid.h"
#include "platform/simulated/Boot_Image.h"
#include "platform/simulated/Fault_Plan.h"
#include "platform/simulated/Register_Bus.h"
#include "platform/simulated/Restart_Trigger.h"
#include "platform/simulated/Simulated_Backend.h"
#include "platform/simulated/Simulated_Flash_Part.h"
#include "platform/simulated/Soc_File_Channel.h"

namespace platform::simulated {

// The extension-unit GUIDs the cameras' firmware carries.
namespace unit_guid {
inline constexpr GUID G1 = Guid_Literal("{0FB885C3-68C2-4547-90F7-8F47547B3D8C}");
inline constexpr GUID G2 = Guid_Literal("{7D5A1D99-5B32-428B-8CAD-671B46A336CA}");
inline constexpr GUID G3 = Guid_Literal("{0FB885C3-68C2-4547-90F7-8F47579D95FC}");
inline constexpr GUID G4 = Guid_Literal("{28F03370-6311-4A2E-BA2C-6890EB334016}");
inline constexpr GUID G5 = Guid_Literal("{7D5A1D99-5B32-428B-8CAD-671B8A65F37A}");
inline constexpr GUID G6 = Guid_Literal("{7D5A1D99-5B32-428B-8CAD-671B538A98FA}");
inline constexpr GUID G7 = Guid_Literal("{28F03370-6311-4A2E-BA2C-689058ADF196}");
inline constexpr GUID G8 = Guid_Literal("{0FB885C3-68C2-4547-90F7-8F47A26D62FC}");
inline constexpr GUID G9 = Guid_Literal("{63610682-5070-49AB-B8CC-B385471C639D}");
inline constexpr GUID G10 = Guid_Literal("{63610682-5070-49AB-B8CC-B3855E8D221D}");
inline constexpr GUID G11 = Guid_Literal("{0FB885C3-68C2-4547-90F7-8F4750A2D32C}");
inline constexpr GUID G12 = Guid_Literal("{63610682-5070-49AB-B8CC-B38558C4C58D}");
inline constexpr GUID G13 = Guid_Literal("{0FB885C3-68C2-4547-90F7-8F4788C218EC}");
inline constexpr GUID G14 = Guid_Literal("{63610682-5070-49AB-B8CC-B385D2619A4D}");
inline constexpr GUID G15 = Guid_Literal("{514E555A-A632-2A44-A5ED-BB2EC8A8A88B}");
} // namespace unit_guid

struct Unit_Key {
    std::uint32_t Node;
    GUID Guid;
};

struct Simulated_Chip_Family {
    std::string_view Name;
    std::array<std::uint8_t, 3> Identity; // 0x20FF, 0x2051, 0x20D9 after power-on
    std::optional<Restart_Trigger> Restart;
    // The family's own GUID pair, on nodes 2 and 3 (a family without one has none).
    std::optional<std::array<GUID, 2>> Own_Units;
    // Flash mechanisms: the opcode slots, the program-mode selector and the transfer length
    // come with any of them.
    bool Flash_Id_Selector = false; // selector 23
    bool Spi_Master_A = false;      // registers 0x2020-0x2025
    bool Spi_Engine_B = false;      // registers 0x2C24-0x2C2C
    std::uint32_t Mode_Selector = 0;
    std::uint32_t Chunk_Length = 0; // the transfer length: the length query of selector 15
    // The layout of the images the chip runs from its flash (those its download writes).
    Boot_Layout Boot = Boot_Layout::None;
    // A system-on-chip camera: shown through its own pair it is the camera of
    // Simulated_Soc_Camera.h, with its file channel and shell instead of chip registers.
    bool File_Channel = false;
    bool Has_Flash() const { return Mode_Selector != 0; }
};

inline constexpr std::array<Simulated_Chip_Family, 7> Simulated_Chip_Families{{
    {.Name = "SPCA2620",
     .Identity = {0xD2, 0x00, 0x00},
     .Restart = Restart_By_Sequence_A,
     .Own_Units = std::array{unit_guid::G1, unit_guid::G2},
     .Flash_Id_Selector = true,
     .Mode_Selector = 16,
     .Chunk_Length = 1024,
     .Boot = Boot_Layout::Chip_2620},
    {.Name = "SPCA2281",
     .Identity = {0xA8, 0x00, 0x00},
     .Restart = Restart_By_Sequence_A,
     .Own_Units = std::array{unit_guid::G6, unit_guid::G7},
     .Spi_Master_A = true,
     .Mode_Selector = 16,
     .Chunk_Length = 4096,
     .Boot = Boot_Layout::Chip_2281},
    {.Name = "SPCA2085",
     .Identity = {0xC9, 0x01, 0x00},
     .Restart = Restart_By_Sequence_A,
     .Own_Units = std::array{unit_guid::G8, unit_guid::G9},
     .Flash_Id_Selector = true,
     .Mode_Selector = 16,
     .Chunk_Length = 1024,
     .Boot = Boot_Layout::Chip_2092},
    // Shown only through the register layouts: its own firmware carries no pair of its own.
    {.Name = "SPCA2092",
     .Identity = {0xC5, 0x01, 0x00},
     .Restart = Restart_By_Sequence_A,
     .Own_Units = std::nullopt,
     .Flash_Id_Selector = true,
     .Mode_Selector = 16,
     .Chunk_Length = 1024,
     .Boot = Boot_Layout::Chip_2092},
    {.Name = "SPCA2650",
     .Identity = {0x00, 0x00, 0x02},
     .Restart = Restart_By_Sequence_B,
     .Own_Units = std::array{unit_guid::G11, unit_guid::G12},
     .Spi_Master_A = true,
     .Spi_Engine_B = true,
     .Mode_Selector = 13,
     .Chunk_Length = 1024,
     .Boot = Boot_Layout::Big_2688},
    {.Name = "SPCA2282",
     .Identity = {0xFF, 0xFF, 0x00},
     .Restart = Restart_By_Sequence_B,
     .Own_Units = std::array{unit_guid::G13, unit_guid::G14},
     .Spi_Master_A = true,
     .Spi_Engine_B = true,
     .Mode_Selector = 13,
     .Chunk_Length = 1024,
     .Boot = Boot_Layout::Big_2688},
    // The system-on-chip camera: no SPI flash of its own the host drives.
    {.Name = "SOC_M5",
     .Identity = {0x00, 0x00, 0x00},
     .Restart = std::nullopt,
     .Own_Units = std::array{unit_guid::G5, unit_guid::G15},
     .File_Channel = true},
}};

// Where the chip unit answers.
enum class Own_Units_Use : std::uint8_t {
    None,       // only the keys of the row
    Pair,       // the family's own pair: first GUID on node 2, second on node 3
    First_Only, // the family's first GUID on node 2
};

struct Unit_Layout {
    std::string_view Name;
    Own_Units_Use Own = Own_Units_Use::None;
    std::array<Unit_Key, 2> Keys{};
    std::uint8_t Key_Count = 0;
};

inline constexpr std::array<Unit_Layout, 9> Unit_Layouts{{
    {"direct", Own_Units_Use::Pair},
    {"direct-first", Own_Units_Use::First_Only},
    {"G3@2+G10@3", Own_Units_Use::None, {{{2, unit_guid::G3}, {3, unit_guid::G10}}}, 2},
    {"G4@2+G10@3", Own_Units_Use::None, {{{2, unit_guid::G4}, {3, unit_guid::G10}}}, 2},
    {"G10@2", Own_Units_Use::None, {{{2, unit_guid::G10}}}, 1},
    {"G3@2+G5@3", Own_Units_Use::None, {{{2, unit_guid::G3}, {3, unit_guid::G5}}}, 2},
    {"G4@2+G5@3", Own_Units_Use::None, {{{2, unit_guid::G4}, {3, unit_guid::G5}}}, 2},
    {"G5@2", Own_Units_Use::None, {{{2, unit_guid::G5}}}, 1},
    {"none", Own_Units_Use::None},
}};

const Simulated_Chip_Family* Find_Chip_Family(std::string_view name);
const Unit_Layout* Find_Unit_Layout(std::string_view name);
// The keys `layout` gives a camera of `family`; empty when the layout uses an own pair the
// family does not have.
std::vector<Unit_Key> Layout_Keys(const Simulated_Chip_Family& family, const Unit_Layout& layout);

struct Chip_Camera_Description {
    std::string Name;
    const Simulated_Chip_Family* Family = nullptr;
    const Unit_Layout* Layout = nullptr;
    std::optional<std::array<std::uint8_t, 3>> Identity; // replaces the family's
    std::vector<Register_Value> Registers;               // further power-on values
    std::optional<Flash_Part_Identity> Flash;            // none: nothing on the SPI bus
    // What the flash data selector answers to its length query, in place of the family's.
    std::optional<std::uint32_t> Chunk_Length;
    std::vector<Planned_Fault> Faults; // planned on the camera when it is built
    // With a value, the family's restart takes the camera off the host and back as said (none:
    // it restarts in place and stays listed).
    std::optional<Reconnection> Restart_Reconnects = {};
    std::vector<Leave_Write> Leave_Writes = {}; // writes that take it off the host
    // A system-on-chip camera's update script and the faults of its file channel.
    Soc_Camera_Scenario Soc;
};

// A desc by family and layout names (null members for names that are not in the tables).
Chip_Camera_Description Chip_Camera(std::string name, std::string_view family, std::string_view layout);

// Builds the camera on `backend`; null when `desc` names no family or layout, or a layout
// that needs an own pair the family does not have.
std::shared_ptr<Simulated_Camera> Add_Chip_Camera(Simulated_Backend& backend,
                                                  const Chip_Camera_Description& desc);

} // namespace platform::simulated
