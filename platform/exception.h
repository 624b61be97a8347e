// Base of the exceptions a window handler may end with. The window procedure
// catches them and shows their standard report; nothing else is caught.
#pragma once

class CException {
public:
    virtual ~CException() = default;
    // Shows the standard message box for this error.
    virtual void ReportError() const = 0;
};
