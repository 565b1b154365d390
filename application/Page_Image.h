#pragma once
// The pages fill themselves from the image the main dialog loaded; a page reaches the main
// dialog as the parent of its tab control.
#include <cstdint>
#include <span>

#include "ZUNQ_USB_CAMDlg.h"

// The main dialog's padded image; empty when `page` is not on the main dialog's tab control
// or no image is loaded.
inline std::span<const std::uint8_t> Padded_Image_Of(const CWnd& page) {
    const CWnd* tab = page.GetParent();
    const auto* main = tab != nullptr ? dynamic_cast<const ZUNQ_USB_CAMDlg*>(tab->GetParent()) : nullptr;
    if (main == nullptr || main->m_pPaddedImage == nullptr)
        return {};
    return {main->m_pPaddedImage.get(), main->m_nPaddedSize};
}
