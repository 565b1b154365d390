#pragma once
// The property record that addresses one control of one extension unit: which unit (its GUID
// and topology node), which control selector, and whether the value is read or written.
// It is 32 bytes, laid out as cameras' drivers expect it.
#include <cstddef>
#include <cstdint>

#include "platform/Guid.h"

namespace platform {

inline constexpr std::uint32_t KSPROPERTY_TYPE_GET = 0x00000001;
inline constexpr std::uint32_t KSPROPERTY_TYPE_SET = 0x00000002;
inline constexpr std::uint32_t KSPROPERTY_TYPE_TOPOLOGY = 0x10000000;

struct KSPROPERTY {
    GUID Set;                // the extension unit's GUID
    std::uint32_t Id = 0;    // the control selector
    std::uint32_t Flags = 0; // GET or SET, with TOPOLOGY: the record names a node
};

struct KSP_NODE {
    KSPROPERTY Property;
    std::uint32_t NodeId = 0;
    std::uint32_t Reserved = 0;
};

static_assert(sizeof(KSPROPERTY) == 24 && offsetof(KSPROPERTY, Id) == 16 &&
              offsetof(KSPROPERTY, Flags) == 20);
static_assert(sizeof(KSP_NODE) == 32 && offsetof(KSP_NODE, NodeId) == 24 &&
              offsetof(KSP_NODE, Reserved) == 28);

} // namespace platform
