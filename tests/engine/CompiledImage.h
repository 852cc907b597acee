#pragma once
// Compiled images made by hand, for clients that have no compiler.

#include <cstdio>
#include <string>

// A compiled image of a program body, as the compiler writes it for motors of the 4 series: header
// with the body's byte sum and length, no labels.
inline std::string CompiledImage(const std::string& body)
{
    unsigned sum = 0;
    for (unsigned char c : body)
        sum += c;
    char header[64];
    std::snprintf(header, sizeof header, "$4000%06X%06X0000000004%016d", sum & 0xFFFFFF, unsigned(body.size()), 0);
    return header + body;
}
