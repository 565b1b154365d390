#pragma once
// The application object: one global instance, theApp, whose InitInstance runs the main
// dialog modally; the process ends with the dialog.
#include "platform/ui/afx.h"

class ZUNQ_USB_CAMApp : public CWinApp {
public:
    ZUNQ_USB_CAMApp();

    BOOL InitInstance() override;

    // What the process answers when it ends: 0, or Burn_Failed_Exit_Status once a burn that a
    // termination signal waited for failed or was refused.
    int m_nExitStatus = 0;

protected:
    DECLARE_MESSAGE_MAP()
};

extern ZUNQ_USB_CAMApp theApp;
