#include "select.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace zevacomm {

namespace {

bool read_file(const std::string &path, std::string *text, std::string *error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read " + path;
        return false;
    }
    std::ostringstream s;
    s << in.rdbuf();
    *text = s.str();
    return true;
}

int link_of(const std::string &w) {
    static const struct { const char *word; int code; } kLinks[] = {
        {"usb", kUsb}, {"optlink", kOptLink}, {"b7301", kB7301}, {"tcp", kTcp}, {"usb3", kUsb3},
        {"0", kUsb},   {"1", kOptLink},       {"2", kB7301},     {"6", kTcp},   {"7", kUsb3},
    };
    for (const auto &l : kLinks)
        if (w == l.word) return l.code;
    return -1;
}

bool hex_field(const std::string &w, unsigned *out) {
    if (w.empty() || w.size() > 10) return false;
    char *end = nullptr;
    const unsigned long v = std::strtoul(w.c_str(), &end, 16);
    if (*end != '\0' || v > 0xFFFFFFFFul) return false;
    *out = static_cast<unsigned>(v);
    return true;
}

std::string folder_of(const std::string &path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

const char *link_word(int code) {
    switch (code) {
    case kUsb: return "usb";
    case kOptLink: return "optlink";
    case kB7301: return "b7301";
    case kTcp: return "tcp";
    case kUsb3: return "usb3";
    default: return nullptr;
    }
}

int match_table_line(const std::string &line, const Address &a, std::string *model,
                     std::string *error) {
    std::istringstream in(line.substr(0, line.find('#')));
    std::string link, where, node, base, choice, extra;
    if (!(in >> link)) return 0;  // blank or comment
    if (!(in >> where >> node >> base >> choice) || (in >> extra)) {
        *error = "expected <link> <number-or-ip> <node> <base> <model>";
        return -1;
    }
    if (link != "*") {
        const int code = link_of(link);
        if (code < 0) {
            *error = "unknown link '" + link + "'";
            return -1;
        }
        if (code != a.link) return 0;
    }
    if (where != "*" && where != a.where) return 0;
    unsigned v = 0;
    if (node != "*") {
        if (!hex_field(node, &v)) {
            *error = "bad node '" + node + "'";
            return -1;
        }
        if (v != a.node) return 0;
    }
    if (base != "*") {
        if (!hex_field(base, &v)) {
            *error = "bad base address '" + base + "'";
            return -1;
        }
        if (v != a.base) return 0;
    }
    *model = choice;
    return 1;
}

bool choose_model(const Address &a, std::string *choice, std::string *error) {
    if (const char *table = std::getenv("ZEVACOMM_DEVICES"); table && *table) {
        std::string text;
        if (!read_file(table, &text, error)) return false;
        std::istringstream lines(text);
        std::string line;
        int number = 0;
        while (std::getline(lines, line)) {
            ++number;
            std::string model, why;
            const int m = match_table_line(line, a, &model, &why);
            if (m < 0) {
                *error = std::string(table) + ":" + std::to_string(number) + ": " + why;
                return false;
            }
            if (m == 0) continue;
            if (model != "w40xx" && model != "rd40xx" && model[0] != '/')
                model = folder_of(table) + "/" + model;
            *choice = model;
            return true;
        }
    }
    if (const char *model = std::getenv("ZEVACOMM_MODEL"); model && *model) {
        *choice = model;
        return true;
    }
    const bool desktop = (a.link == kUsb || a.link == kUsb3) && a.base == 0;
    *choice = desktop ? "rd40xx" : "w40xx";
    return true;
}

bool load_model(const std::string &choice, Model *m, std::string *error) {
    std::string text;
    if (choice == "w40xx" || choice == "rd40xx") {
        text = default_model_text(choice == "w40xx" ? Kind::W40xx : Kind::Rd40xx);
        m->source = "built-in " + choice;
    } else {
        if (!read_file(choice, &text, error)) return false;
        m->source = choice;
    }
    std::string why;
    if (!parse_model(text, m, &why)) {
        *error = m->source + ": " + why;
        return false;
    }
    return true;
}

}  // namespace zevacomm
