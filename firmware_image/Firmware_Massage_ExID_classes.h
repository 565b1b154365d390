// The classes the factory builds for the 64 KB families: each family's class with the
// external-ID interface added. The external ID is read from the loaded image at the
// family's offset and written into every output image after the edited record.
#pragma once

#include "firmware_image/External_ID.h"
#include "firmware_image/Firmware_Massage_2089_class.h"
#include "firmware_image/Firmware_Massage_Chip_Families.h"

template <class Family>
class Firmware_Massage_ExID_Part : public Family, public Firmware_Message_UNStd_ExId_class {
public:
    Firmware_Massage_ExID_Part(const std::uint8_t* buffer, std::uint32_t size) : Family(buffer, size) {
        External_ID.Load(this->Loaded_Image, this->External_ID_Offset());
    }

    String_Buffer_260& Get_ExID(String_Buffer_260& text, std::uint8_t, std::int32_t* status) override {
        return External_ID.Get(text, status);
    }
    std::int32_t Set_ExID(const String_Buffer_260& text, String_Buffer_260& message) override {
        return External_ID.Set(text, message, String_Status_Message(String_Status_Over_Length));
    }
    String_Buffer_260& Add_ExID_Number(String_Buffer_260& text, std::uint32_t n) override {
        return External_ID.Add_Number(text, n);
    }
    bool Is_ExID_Supported() override { return true; }
    std::int32_t Has_External_ID() override { return 1; }

    const std::uint8_t* Build_Output_Image() override {
        Family::Build_Output_Image();
        External_ID.Store(this->Output_Image, this->External_ID_Offset());
        return this->Output_Image.data();
    }

protected:
    External_ID_Descriptor External_ID;
};

class Firmware_Massage_2092_ExID_class final
    : public Firmware_Massage_ExID_Part<Firmware_Massage_2092_class> {
public:
    using Firmware_Massage_ExID_Part::Firmware_Massage_ExID_Part;
};

class Firmware_Massage_2620_ExID_class final
    : public Firmware_Massage_ExID_Part<Firmware_Massage_2620_class> {
public:
    using Firmware_Massage_ExID_Part::Firmware_Massage_ExID_Part;
};

class Firmware_Massage_2281_ExID_class final
    : public Firmware_Massage_ExID_Part<Firmware_Massage_2281_class> {
public:
    using Firmware_Massage_ExID_Part::Firmware_Massage_ExID_Part;
};

// The 2089 keeps the external ID in its loaded image and its export buffer too, so the
// export carries the edited ID.
class Firmware_Massage_2089_ExID_class final
    : public Firmware_Massage_ExID_Part<Firmware_Massage_2089_class> {
public:
    using Firmware_Massage_ExID_Part::Firmware_Massage_ExID_Part;

    const std::uint8_t* Build_Output_Image() override;
    const std::uint8_t* Get_Export_Buffer() override;

private:
    void Store_External_ID();
};
