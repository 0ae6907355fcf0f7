#ifndef TDF_DIGITS_H
#define TDF_DIGITS_H

namespace tdf::internal {

// The value of a decimal or hexadecimal digit (either case), or -1.
inline int hexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}

#endif
