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

std::uint32_t Little_Endian(std::span<const std::uint8_t> bytes) {
    return bytes[0] | static_cast<std::uint32_t>(bytes[1]) << 8 | static_cast<std::uint32_t>(bytes[2]) << 16 |
           static_cast<std::uint32_t>(bytes[3]) << 24;
}

class Erase final : public Control_Selector {
public:
    Erase(Flash_Controller& flash, bool takes_mode) : flash_(flash), takes_mode_(takes_mode) {}
    std::uint32_t Length() const override { return 4; }
    HRESULT Set(std::span<const std::uint8_t> data) override {
        if (data.size() == 4) {
            flash_.Erase_Sector(Little_Endian(data));
            return S_OK;
        }
        if (data.size() == 1 && takes_mode_) {
            flash_.Set_Program_Mode(data[0]);
            return S_OK;
        }
        return Hresult_From_Win32(Win32_Error::Invalid_Parameter);
    }

private:
    Flash_Controller& flash_;
    bool takes_mode_;
};

class Transfer_Address final : public Fixed_Width_Selector {
public:
    explicit Transfer_Address(Flash_Controller& flash) : Fixed_Width_Selector(4), flash_(flash) {}

protected:
    HRESULT Get_Value(std::span<std::uint8_t> data) override {
        for (std::size_t i = 0; i < 4; ++i)
            data[i] = static_cast<std::uint8_t>(flash_.Transfer_Address() >> (8 * i));
        return S_OK;
    }
    HRESULT Set_Value(std::span<const std::uint8_t> data) override {
        flash_.Set_Transfer_Address(Little_Endian(data));
        return S_OK;
    }

private:
    Flash_Controller& flash_;
};

class Flash_Data final : public Control_Selector {
public:
    Flash_Data(Flash_Controller& flash, std::uint32_t length) : flash_(flash), length_(length) {}
    std::uint32_t Length() const override { return length_; }
    HRESULT Get(std::span<std::uint8_t> data) override {
        if (!Takes(data.size()))
            return Hresult_From_Win32(Win32_Error::Invalid_Parameter);
        flash_.Read(flash_.Transfer_Address(), data);
        return S_OK;
    }
    HRESULT Set(std::span<const std::uint8_t> data) override {
        if (!Takes(data.size()))
            return Hresult_From_Win32(Win32_Error::Invalid_Parameter);
        flash_.Program(flash_.Transfer_Address(), data);
        flash_.Busy_For(Chunk_Program_Busy_Ms);
        return S_OK;
    }

private:
    // The chip moves its transfer length, from a buffer of at most one sector. A host reads
    // the length query's answer into 16 bits, so the low 16 bits of a longer answer are what
    // it sends, and the chip takes those too.
    bool Takes(std::size_t size) const {
        return size != 0 && size <= Flash_Sector_Size && (size == length_ || size == (length_ & 0xFFFF));
    }

    Flash_Controller& flash_;
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

void Add_Flash_Transfer_Selectors(Simulated_Unit& unit, Flash_Controller& flash, std::uint32_t chunk_length,
                                  bool mode_on_erase_selector) {
    unit.Add_Selector(Erase_Selector, std::make_shared<Erase>(flash, mode_on_erase_selector));
    unit.Add_Selector(Transfer_Address_Selector, std::make_shared<Transfer_Address>(flash));
    unit.Add_Selector(Flash_Data_Selector, std::make_shared<Flash_Data>(flash, chunk_length));
}

} // namespace platform::simulated
