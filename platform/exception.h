// Base of the exceptions a window handler may end with. The window procedure
// catches them and shows their text in the application's message box;
// nothing else is caught. The code that throws one shows nothing itself.
#pragma once

#include <string>

class CException {
public:
    virtual ~CException() = default;
    // The standard text of this error, for the user.
    virtual std::string ErrorMessage() const = 0;
};
