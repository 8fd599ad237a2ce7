#pragma once
// A decimal-comma locale (de_DE) in force for LC_NUMERIC while the object
// lives, built into a temporary directory with localedef when the machine
// has none installed.  active() is false when neither is possible here; the
// test then skips.

#include <string>

class CommaLocale {
public:
    CommaLocale();
    ~CommaLocale();
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    // The locale is in force (and printf really prints "1,5").
    bool active() const { return active_; }

private:
    bool active_ = false;
    std::string saved_;  // the LC_NUMERIC locale before
    std::string dir_;    // the built locale's directory, removed at the end
};
