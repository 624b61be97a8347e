// The built-in product box (template 100): the program's icon, its name and
// an OK button. Shown when the product-information library is not present.
#pragma once

#include "platform/dialog.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* parent = nullptr);
};
