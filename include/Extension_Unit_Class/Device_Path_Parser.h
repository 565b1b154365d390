#pragma once
// Reading the ids out of a device path or a device instance id:
//   \\?\usb#vid_0a1b&pid_2c3d&mi_00#6&2b0c5c1a&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global
//   USB\VID_0A1B&PID_2C3D&MI_00\6&2B0C5C1A&0&0000
// The hex digits after the first three "_" are vendor id, product id and interface number;
// after the next "#" or "\" and the three "&" that follow come the four instance numbers; the
// GUID text after them is the interface class. Missing parts read as zero.
#include "Extension_Unit_Class/Device_Info_Record.h"

Device_Path_Id Parse_Device_Path_Id(const char* path);
