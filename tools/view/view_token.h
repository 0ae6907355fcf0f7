#ifndef VIEW_VIEW_TOKEN_H
#define VIEW_VIEW_TOKEN_H

#include <string>

namespace view {

// A fresh secret of 256 bits from the system's random source, in hex: what
// a request must show to be answered.
std::string makeViewToken();

// Whether `given` is `token`, in a time that does not depend on where they
// first differ, so that the token cannot be guessed a character at a time.
bool sameToken(const std::string& given, const std::string& token);

}

#endif
