#pragma once
// One vendor control of a simulated extension unit: what its length query answers and what a
// GET_CUR or SET_CUR of it does. Each mechanism of a chip (register access, SPI opcode slots,
// flash transfers, a file channel) provides the selectors it serves.
#include <cstdint>
#include <span>

#include "platform/Result_Code.h"

namespace platform::simulated {

class Control_Selector {
public:
    virtual ~Control_Selector() = default;
    // The control's length, answered to a length query.
    virtual std::uint32_t Length() const = 0;
    // GET_CUR: fill `data` (its size is the request's length). Default: a control that cannot be read.
    virtual HRESULT Get(std::span<std::uint8_t> data);
    // SET_CUR with the bytes sent. Default: a control that cannot be written.
    virtual HRESULT Set(std::span<const std::uint8_t> data);
};

// A control of one fixed width that takes gets and sets of exactly that many bytes; other
// lengths are refused as a device stalls them.
class Fixed_Width_Selector : public Control_Selector {
public:
    explicit Fixed_Width_Selector(std::uint32_t width) : width_(width) {}
    std::uint32_t Length() const final { return width_; }
    HRESULT Get(std::span<std::uint8_t> data) final;
    HRESULT Set(std::span<const std::uint8_t> data) final;

protected:
    // Called with exactly Length() bytes.
    virtual HRESULT Get_Value(std::span<std::uint8_t> data);
    virtual HRESULT Set_Value(std::span<const std::uint8_t> data);

private:
    std::uint32_t width_;
};

} // namespace platform::simulated
