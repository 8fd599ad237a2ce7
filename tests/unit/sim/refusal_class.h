#pragma once
// How a client reads a module's reply: "OK" anywhere means success, else the
// first of CMD, CH, PAR, VAL, LOC the line contains names the refusal.
#include <string>

inline int reply_class(const std::string& reply) {
    if (reply.find("OK") != std::string::npos) return 0;
    const char* words[] = {"CMD", "CH", "PAR", "VAL", "LOC"};
    for (int i = 0; i < 5; ++i)
        if (reply.find(words[i]) != std::string::npos) return i + 1;
    return -1;
}
enum { kOk = 0, kCmd = 1, kCh = 2, kPar = 3, kVal = 4, kLoc = 5 };
