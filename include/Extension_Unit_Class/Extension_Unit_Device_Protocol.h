#pragma once
// What every protocol that talks to a camera holds: the camera device object it owns and its
// product name. The generic and the chip protocols build on it.
#include <cstdint>
#include <memory>
#include <string>

#include "Extension_Unit_Class/Extension_Unit_Base_Class.h"
#include "Extension_Unit_Class/Extension_Unit_Base_Protocol.h"

class Extension_Unit_Device_Protocol : public Extension_Unit_Base_Protocol {
public:
    // Takes ownership of `device`; the destructor deletes it unless it was detached.
    Extension_Unit_Device_Protocol(Extension_Unit_Base_Class* device, const char* product_name);
    ~Extension_Unit_Device_Protocol() override;
    Extension_Unit_Device_Protocol(const Extension_Unit_Device_Protocol&) = delete;
    Extension_Unit_Device_Protocol& operator=(const Extension_Unit_Device_Protocol&) = delete;

    const char* Get_Product_Name() override;

    // Hands the device object back to the caller and forgets it, so that destroying the
    // protocol leaves it alive (the chip probes borrow a device this way). Null once detached.
    virtual Extension_Unit_Base_Class* Detach_Device();

protected:
    Extension_Unit_Base_Class* Device() const { return device_.get(); }
    void Set_Product_Name(const char* product_name) { product_name_ = product_name; }

private:
    std::unique_ptr<Extension_Unit_Base_Class> device_;
    std::string product_name_;
};
