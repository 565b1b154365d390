#include "platform/simulated/Flash_Selectors.h"

#include <algorithm>
#include <array>
#include <functional>
#include <memory>

namespace platform::simulated {

namespace {

const HRESULT Stall = Hresult_From_Win32(Win32_Error::Gen_Failure);

// A one-byte control whose get and set are the chip's own.
class Byte_Control final : public Fixed_Width_Selector {
public:
    using Getter = std::function<HRESULT(std::uint8_t&)>;
    using Setter = std::function<HRESULT(std::uint8_t)>;
    Byte_Control(Getter get, Setter set)
        : Fixed_Width_Selector(1), get_(std::move(get)), set_(std::move(set)) {}

protected:
    HRESULT Get_Value(std::span<std::uint8_t> data) override { return get_(data[0]); }
    HRESULT Set_Value(std::span<const std::uint8_t> data) override { return set_(data[0]); }

private:
    Getter get_;
    Setter set_;
};

class Flash_Id final : public Fixed_Width_Selector {
public:
    explicit Flash_Id(Flash_Controller& flash) : Fixed_Width_Selector(3), flash_(flash) {}

protected:
    HRESULT Get_Value(std::span<std::uint8_t> data) override {
        std::array<std::uint8_t, 3> answer{};
        flash_.Transact(std::array<std::uint8_t, 1>{flash_.Opcode(Identification_Slot)}, answer);
        std::copy(answer.begin(), answer.end(), data.begin());
        return S_OK;
    }

private:
    Flash_Controller& flash_;
};

class Chunk_Length final : public Control_Selector {
public:
    explicit Chunk_Length(std::uint32_t length) : length_(length) {}
    std::uint32_t Length() const override { return length_; }

private:
    std::uint32_t length_;
};

} // namespace

void Add_Opcode_Slot_Selectors(Simulated_Unit& unit, Flash_Controller& flash) {
    unit.Add_Selector(Opcode_Slot_Selector, std::make_shared<Byte_Control>(
                                                [&flash](std::uint8_t& slot) {
                                                    slot = flash.Chosen_Slot();
                                                    return S_OK;
                                                },
                                                [&flash](std::uint8_t slot) {
                                                    if (slot < First_Opcode_Slot || slot > Last_Opcode_Slot)
                                                        return Stall;
                                                    flash.Choose_Slot(slot);
                                                    return S_OK;
                                                }));
    unit.Add_Selector(Opcode_Selector, std::make_shared<Byte_Control>(
                                           [&flash](std::uint8_t& opcode) {
                                               if (flash.Chosen_Slot() == 0)
                                                   return Stall;
                                               opcode = flash.Opcode(flash.Chosen_Slot());
                                               return S_OK;
                                           },
                                           [&flash](std::uint8_t opcode) {
                                               if (flash.Chosen_Slot() == 0)
                                                   return Stall;
                                               flash.Set_Opcode(flash.Chosen_Slot(), opcode);
                                               return S_OK;
                                           }));
}

void Add_Flash_Id_Selector(Simulated_Unit& unit, Flash_Controller& flash) {
    unit.Add_Selector(Flash_Id_Selector, std::make_shared<Flash_Id>(flash));
}

void Add_Program_Mode_Selector(Simulated_Unit& unit, std::uint32_t selector, Flash_Controller& flash) {
    unit.Add_Selector(selector, std::make_shared<Byte_Control>(
                                    [&flash](std::uint8_t& mode) {
                                        mode = flash.Program_Mode();
                                        return S_OK;
                                    },
                                    [&flash](std::uint8_t mode) {
                                        flash.Set_Program_Mode(mode);
                                        return S_OK;
                                    }));
}

void Add_Chunk_Length_Selector(Simulated_Unit& unit, std::uint32_t chunk_length) {
    unit.Add_Selector(Flash_Data_Selector, std::make_shared<Chunk_Length>(chunk_length));
}

} // namespace platform::simulated
