#pragma once
// The application object: one global instance, theApp, whose InitInstance runs the main
// dialog modally; the process ends with the dialog.
#include "platform/ui/afx.h"

class ZUNQ_USB_CAMApp : public CWinApp {
public:
    ZUNQ_USB_CAMApp();

    BOOL InitInstance() override;

protected:
    DECLARE_MESSAGE_MAP()
};

extern ZUNQ_USB_CAMApp theApp;
