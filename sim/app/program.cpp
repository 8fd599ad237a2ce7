#include "app/program.h"

#include <algorithm>
#include <memory>

namespace sim {

namespace {

// Built on first use, so registrations from any file may run first.
std::vector<std::unique_ptr<Program>>& registry() {
    static std::vector<std::unique_ptr<Program>> all;
    return all;
}

} // namespace

ProgramRegistration::ProgramRegistration(Program p) {
    registry().push_back(std::make_unique<Program>(std::move(p)));
}

std::vector<const Program*> programs() {
    std::vector<const Program*> out;
    for (const auto& p : registry()) out.push_back(p.get());
    std::stable_sort(out.begin(), out.end(),
                     [](const Program* a, const Program* b) { return a->order < b->order; });
    return out;
}

const Program* find_program(const std::string& word) {
    for (const auto& p : registry())
        for (const auto& d : p->devices)
            if (d.first == word) return p.get();
    return nullptr;
}

} // namespace sim
