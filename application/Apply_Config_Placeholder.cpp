// Stands in for the pages' edits written into the burn's image until that step is built: the
// image is burnt as loaded.
#include "ZUNQ_USB_CAMDlg.h"

void ZUNQ_USB_CAMDlg::Apply_Config_For_Download(std::uint8_t*, std::uint32_t) {}
