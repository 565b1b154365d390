#pragma once
// One UVC extension-unit request as the chip protocols describe it: direction, request code,
// control selector, the chip family's unit id, the data length and where the data is. The
// protocols build these records on their stack and hand them (one, or a pair) to an ExtUnit.
#include <cstddef>
#include <cstdint>

struct Ext_Unit_Request {
    static constexpr std::uint8_t Host_To_Device = 0x21; // bmRequestType of a set
    static constexpr std::uint8_t Device_To_Host = 0xA1; // bmRequestType of a get or length query
    static constexpr std::uint8_t SET_CUR = 0x01;
    static constexpr std::uint8_t GET_CUR = 0x81;
    static constexpr std::uint8_t GET_LEN = 0x85;

    std::uint8_t bmRequestType = 0;
    std::uint8_t bRequest = 0;
    std::uint16_t Selector = 0;
    // The chip family's extension-unit id (3 or 4). It documents the request only: the ExtUnit
    // sends to the node it is bound to.
    std::uint16_t Unit = 0;
    std::uint16_t Length = 0;
    // Source of a set, destination of a get. The record layout gives this 32 bits; the record
    // is never sent as such, so on a 64-bit host it holds a real pointer.
    void* Data = nullptr;
    // A length query writes the control's length here (Data is not used for it).
    std::uint32_t Inline_Data = 0;

    // A length query; `preset` stays in Inline_Data when the query fails.
    static Ext_Unit_Request Get_Len(std::uint16_t selector, std::uint16_t unit, std::uint32_t preset) {
        return {Device_To_Host, GET_LEN, selector, unit, 2, nullptr, preset};
    }
    static Ext_Unit_Request Set_Cur(std::uint16_t selector, std::uint16_t unit, std::uint16_t length,
                                    const void* data) {
        // A set only reads through Data; the field serves both directions.
        return {Host_To_Device, SET_CUR, selector, unit, length, const_cast<void*>(data), 0};
    }
    static Ext_Unit_Request Get_Cur(std::uint16_t selector, std::uint16_t unit, std::uint16_t length,
                                    void* data) {
        return {Device_To_Host, GET_CUR, selector, unit, length, data, 0};
    }
};

// The fields before Data keep the 16-byte record's layout; the whole record has it on a
// 32-bit host.
static_assert(offsetof(Ext_Unit_Request, bRequest) == 1 && offsetof(Ext_Unit_Request, Selector) == 2 &&
              offsetof(Ext_Unit_Request, Unit) == 4 && offsetof(Ext_Unit_Request, Length) == 6 &&
              offsetof(Ext_Unit_Request, Data) == 8);
static_assert(sizeof(void*) != 4 ||
              (sizeof(Ext_Unit_Request) == 16 && offsetof(Ext_Unit_Request, Inline_Data) == 12));
