#include "firmware_image/Firmware_Massage_ExID_classes.h"

void Firmware_Massage_2089_ExID_class::Store_External_ID() {
    External_ID.Store(Loaded_Image, Offset_2089_External_ID);
    External_ID.Store(Export_Buffer, Offset_2089_Export_External_ID);
}

const std::uint8_t* Firmware_Massage_2089_ExID_class::Build_Output_Image() {
    Store_External_ID();
    return Firmware_Massage_2089_class::Build_Output_Image();
}

const std::uint8_t* Firmware_Massage_2089_ExID_class::Get_Export_Buffer() {
    Store_External_ID();
    return Export_Buffer.data();
}
