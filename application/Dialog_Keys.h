#pragma once
// The tool's dialogs and pages never close on Enter or Escape: the operator ends the main
// dialog with its close box only.
#include "platform/ui/afx.h"

inline bool Is_Enter_Or_Escape(const MSG* msg) {
    return msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE);
}
