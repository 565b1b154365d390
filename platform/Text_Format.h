#pragma once
// printf-style text for the names, paths and ids the backends and their test beds build
// ("usb1", "USB\VID_0A1B&PID_2C3D\...", "/dev/bus/usb/001/002").
#include <string>

namespace platform {

// The text `format` makes of the arguments, whatever its length.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace platform
