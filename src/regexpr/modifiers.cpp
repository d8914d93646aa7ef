#include "regexpr/modifiers.h"

namespace regexpr {

unsigned ModifierBit(char letter) {
    switch (letter) {
    case 'i':
    case 'I':
        return kModI;
    case 'r':
    case 'R':
        return kModR;
    case 's':
    case 'S':
        return kModS;
    case 'g':
    case 'G':
        return kModG;
    case 'm':
    case 'M':
        return kModM;
    case 'x':
    case 'X':
        return kModX;
    default:
        return 0;
    }
}

unsigned ModifierIndexBit(int index) {
    constexpr unsigned kByIndex[] = {kModI, kModR, kModS, kModG, kModM, kModX};
    return index >= 1 && index <= 6 ? kByIndex[index - 1] : 0;
}

bool ParseModifiers(std::string_view text, unsigned& modifiers) {
    bool on = true;
    for (char c : text) {
        if (c == '-') {
            on = false;
            continue;
        }
        const unsigned bit = ModifierBit(c);
        if (bit == 0) {
            return false;
        }
        modifiers = on ? (modifiers | bit) : (modifiers & ~bit);
    }
    return true;
}

} // namespace regexpr
