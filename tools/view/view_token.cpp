#include "view_token.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>

namespace view {

std::string makeViewToken()
{
    std::string token;
    for (int i = 0; i < 4; ++i) {
        char word[17];
        std::snprintf(word, sizeof word, "%016llx",
                      static_cast<unsigned long long>(QRandomGenerator::system()->generate64()));
        token += word;
    }
    return token;
}

bool sameToken(const std::string& given, const std::string& token)
{
    // The length is no secret; the characters are all looked at.
    unsigned difference = given.size() != token.size() ? 1u : 0u;
    const std::size_t length = std::min(given.size(), token.size());
    for (std::size_t i = 0; i < length; ++i)
        difference |= static_cast<unsigned char>(given[i] ^ token[i]);
    return difference == 0;
}

}
