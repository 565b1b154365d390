#include "platform/simulated/Register_Selectors.h"

#include <memory>

namespace platform::simulated {

namespace {

// The address latches the two address selectors set; the data selectors use them.
struct Register_Latches {
    std::uint16_t Address_8 = 0;
    std::uint16_t Address_16 = 0;
};

std::uint16_t Read_Word(std::span<const std::uint8_t> data) {
    return static_cast<std::uint16_t>(data[0] | data[1] << 8);
}

void Write_Word(std::span<std::uint8_t> data, std::uint16_t value) {
    data[0] = static_cast<std::uint8_t>(value);
    data[1] = static_cast<std::uint8_t>(value >> 8);
}

class Register_Selector final : public Fixed_Width_Selector {
public:
    Register_Selector(const Register_Selector_Row& row, Register_Bus& bus,
                      std::shared_ptr<Register_Latches> latches)
        : Fixed_Width_Selector(row.Width), role_(row.Role), bus_(bus), latches_(std::move(latches)) {}

protected:
    HRESULT Get_Value(std::span<std::uint8_t> data) override {
        switch (role_) {
        case Register_Role::Address_8:
            Write_Word(data, latches_->Address_8);
            break;
        case Register_Role::Address_16:
            Write_Word(data, latches_->Address_16);
            break;
        case Register_Role::Data_8:
            data[0] = bus_.Read(latches_->Address_8);
            break;
        case Register_Role::Data_16:
            data[0] = bus_.Read(latches_->Address_16);
            data[1] = bus_.Read(static_cast<std::uint16_t>(latches_->Address_16 + 1));
            break;
        }
        return S_OK;
    }

    HRESULT Set_Value(std::span<const std::uint8_t> data) override {
        switch (role_) {
        case Register_Role::Address_8:
            latches_->Address_8 = Read_Word(data);
            break;
        case Register_Role::Address_16:
            latches_->Address_16 = Read_Word(data);
            break;
        case Register_Role::Data_8:
            bus_.Write(latches_->Address_8, data[0]);
            break;
        case Register_Role::Data_16:
            bus_.Write(latches_->Address_16, data[0]);
            bus_.Write(static_cast<std::uint16_t>(latches_->Address_16 + 1), data[1]);
            break;
        }
        return S_OK;
    }

private:
    Register_Role role_;
    Register_Bus& bus_;
    std::shared_ptr<Register_Latches> latches_;
};

} // namespace

void Add_Register_Selectors(Simulated_Unit& unit, Register_Bus& bus) {
    auto latches = std::make_shared<Register_Latches>();
    for (const Register_Selector_Row& row : Register_Selector_Rows)
        unit.Add_Selector(row.Selector, std::make_shared<Register_Selector>(row, bus, latches));
}

} // namespace platform::simulated
