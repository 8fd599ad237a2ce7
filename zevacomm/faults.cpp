#include "faults.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "result.h"

namespace zevacomm {

namespace {

std::optional<long long> number(std::string_view s) {
    if (s.empty() || s.size() > 20) return std::nullopt;
    std::string t(s);
    char *end = nullptr;
    const long long v = std::strtoll(t.c_str(), &end, 0);
    if (*end != '\0') return std::nullopt;
    return v;
}

std::optional<Call> call_of(std::string_view w) {
    static const struct { std::string_view word; Call call; } kCalls[] = {
        {"open", Call::Open},       {"read16", Call::Read16},    {"read32", Call::Read32},
        {"write16", Call::Write16}, {"write32", Call::Write32},  {"multiread", Call::MultiRead},
        {"close", Call::Close},     {"any", Call::Any},
    };
    for (const auto &c : kCalls)
        if (w == c.word) return c.call;
    return std::nullopt;
}

bool parse_rule(std::string_view line, FaultRule *r, std::string *error) {
    std::istringstream in{std::string(line)};
    std::string word;
    in >> word;
    auto call = call_of(word);
    if (!call) {
        *error = "unknown call '" + word + "'";
        return false;
    }
    r->call = *call;
    while (in >> word) {
        const auto eq = word.find('=');
        const auto parsed = eq == std::string::npos ? std::nullopt : number(word.substr(eq + 1));
        const std::string key = word.substr(0, eq);
        if (!parsed) {
            *error = "expected key=number, got '" + word + "'";
            return false;
        }
        const long long v = parsed.value();
        if (key == "addr" && v >= 0) r->addr = static_cast<unsigned>(v);
        else if (key == "times" && v >= 0) r->times = static_cast<int>(v);
        else if (key == "rc" && v != 0) r->rc = static_cast<int>(v);
        else if (key == "short" && v >= 0 && r->call == Call::MultiRead)
            r->short_count = static_cast<int>(v);
        else if (key == "flag" && v >= 0 && r->call == Call::MultiRead)
            r->flag = static_cast<unsigned>(v);
        else {
            *error = "bad option '" + word + "' for " + std::string(line.substr(0, line.find(' ')));
            return false;
        }
    }
    return true;
}

}  // namespace

bool parse_fault_rules(std::string_view text, std::vector<FaultRule> *rules,
                       std::string *error) {
    std::vector<FaultRule> out;
    while (!text.empty()) {
        const auto end = text.find_first_of(";\n");
        std::string_view one = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (auto hash = one.find('#'); hash != std::string_view::npos) one = one.substr(0, hash);
        const auto b = one.find_first_not_of(" \t\r");
        if (b == std::string_view::npos) continue;
        one = one.substr(b);
        FaultRule r;
        if (!parse_rule(one, &r, error)) return false;
        out.push_back(r);
    }
    *rules = std::move(out);
    return true;
}

Faults &Faults::instance() {
    static Faults f;
    return f;
}

Faults::Faults() {
    if (const char *env = std::getenv("ZEVACOMM_FAULTS"); env && *env) {
        std::string error;
        if (!parse_fault_rules(env, &env_rules_, &error))
            std::fprintf(stderr, "ZEVAComm stand-in: ZEVACOMM_FAULTS: %s\n", error.c_str());
    }
    if (const char *path = std::getenv("ZEVACOMM_CONTROL"); path && *path) control_path_ = path;
    active_ = !env_rules_.empty() || !control_path_.empty();
}

void Faults::refresh() {
    if (control_path_.empty()) return;
    Stamp now;
    struct stat st;
    if (::stat(control_path_.c_str(), &st) == 0) {
        now.ino = st.st_ino;
        now.size = st.st_size;
        now.mtime_ns = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    }
    if (now == stamp_) return;
    stamp_ = now;
    file_rules_.clear();
    if (now.size < 0) return;  // no file: no rules
    std::ifstream in(control_path_, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    std::string error;
    if (!parse_fault_rules(s.str(), &file_rules_, &error))
        std::fprintf(stderr, "ZEVAComm stand-in: %s: %s\n", control_path_.c_str(), error.c_str());
}

bool Faults::take(FaultRule &r) {
    if (r.times == 0) return false;
    if (r.times > 0) --r.times;
    return true;
}

int Faults::check(Call call, unsigned addr) {
    std::lock_guard<std::mutex> lock(mutex_);
    refresh();
    for (auto *rules : {&env_rules_, &file_rules_})
        for (FaultRule &r : *rules) {
            if (r.call != call && r.call != Call::Any) continue;
            if (r.addr && *r.addr != addr) continue;
            if (take(r)) return r.rc;
        }
    return kOk;
}

MultiFault Faults::check_multi(const unsigned *addrs, int count) {
    MultiFault out;
    std::lock_guard<std::mutex> lock(mutex_);
    refresh();
    for (auto *rules : {&env_rules_, &file_rules_})
        for (FaultRule &r : *rules) {
            if (r.call != Call::MultiRead && r.call != Call::Any) continue;
            if (r.addr) {
                bool listed = false;
                for (int i = 0; i < count && !listed; ++i) listed = addrs[i] == *r.addr;
                if (!listed) continue;
            }
            if (r.flag) {
                bool listed = false;
                for (int i = 0; i < count && !listed; ++i) listed = addrs[i] == *r.flag;
                if (listed && take(r)) out.flagged.push_back(*r.flag);
            } else if (r.short_count >= 0) {
                if (take(r)) out.answered = out.answered < 0 ? r.short_count
                                                             : std::min(out.answered, r.short_count);
            } else if (out.rc == 0 && take(r)) {
                out.rc = r.rc;
            }
        }
    return out;
}

}  // namespace zevacomm
