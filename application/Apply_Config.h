#pragma once
// The one sequence that turns the three pages' values into an edited image. The save runs it
// over the loaded padded image into a new buffer (CDialog1::Apply_To_Image); the burn runs it
// over a working copy of the download buffer and writes the result back over that buffer
// (ZUNQ_USB_CAMDlg::Apply_Config_For_Download).
#include <cstdint>

class ZUNQ_USB_CAMDlg;

// The two callers differ in where the image object comes from and where its output goes
// (their own business), and in two details the sequence follows: which controls give the
// still-capture value, and whether the image object outlives the camera-control step.
enum class Apply_Caller { Save, Burn };

// Edits `size` bytes: the image object is built over `source`, its output written to
// `destination` (both `size` bytes; they may be the same buffer only when the object is
// built over a copy). False, with `destination` untouched, when no image object can be built
// over `source`.
bool Apply_Page_Edits(ZUNQ_USB_CAMDlg& main, const std::uint8_t* source, std::uint8_t* destination,
                      std::uint32_t size, Apply_Caller caller);
