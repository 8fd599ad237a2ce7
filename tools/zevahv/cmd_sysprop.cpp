// sysprop get|set: the system properties (crate-wide values of mainframes).
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <optional>

#include "ZEVAHVLink.h"
#include "catalog.h"
#include "commands.h"
#include "failure.h"
#include "output.h"
#include "sysprops.h"
#include "system.h"
#include "values.h"

namespace zcli {

namespace {

struct SyspropOptions {
    std::optional<std::string> name;
    std::string value;
};

Json as_json(const SysProp& p, const Shown& v) {
    return {{"name", p.name}, {"mode", mode_word(p.mode)}, {"type", sysprop_type_word(p.type)},
            {"value", v.value}, {"text", v.text}};
}

int run_get(const System& sys, const Globals& g, const SyspropOptions& o) {
    std::vector<SysProp> props;
    if (o.name) {
        props.push_back(sysprop_info(sys, *o.name));
    } else {
        for (const auto& n : sysprop_names(sys)) {
            SysProp p = sysprop_info(sys, n);
            if (p.mode != ZEVAHV_SYSPROP_MODE_WRONLY) props.push_back(p);
        }
    }
    Json doc = Json::array();
    Table t({"name", "mode", "type", "value"});
    for (const auto& p : props) {
        Shown v = read_sysprop(sys, p);
        doc.push_back(as_json(p, v));
        t.add({p.name, mode_word(p.mode), sysprop_type_word(p.type), v.text});
    }
    if (g.json)
        print_json(o.name ? doc.at(0) : doc);
    else if (o.name)
        std::cout << doc.at(0)["text"].get<std::string>() << '\n';
    else if (props.empty())
        std::cout << "no system properties\n";
    else
        t.print(std::cout);
    return kExitOk;
}

int run_set(const System& sys, const Globals& g, const SyspropOptions& o) {
    SysProp p = sysprop_info(sys, *o.name);
    write_sysprop(sys, p, o.value);
    if (p.mode == ZEVAHV_SYSPROP_MODE_WRONLY) {
        if (g.json)
            print_json({{"name", p.name}, {"written", o.value}});
        else
            std::cout << p.name << ": written\n";
        return kExitOk;
    }
    Shown v = read_sysprop(sys, p);
    if (g.json) {
        Json j = as_json(p, v);
        j["written"] = o.value;
        print_json(j);
    } else {
        std::cout << p.name << ": " << v.text << '\n';
    }
    return kExitOk;
}

}  // namespace

void add_sysprop(CLI::App& app, Action& action) {
    CLI::App* sub = app.add_subcommand("sysprop", "Read or write system properties");
    sub->require_subcommand(1);
    sub->footer(footer(R"HELP(Module families have no system properties; mainframes have many
(ModelName, IPAddr, HVFanSpeed ...).  Text properties are written as typed,
number properties as decimal or 0x hex.

Examples:
  zevahv --system kr2440 --address 127.0.0.2 --user admin --password secret sysprop get
  zevahv --system kr2440 --address 127.0.0.2 --user admin --password secret sysprop set HVFanSpeed 1)HELP"));

    auto get = std::make_shared<SyspropOptions>();
    CLI::App* g = sub->add_subcommand("get", "Read one property, or all of them");
    g->add_option("name", get->name, "Property name (without it: every readable property)");
    when_selected(g, get, action, run_get);

    auto set = std::make_shared<SyspropOptions>();
    CLI::App* s = sub->add_subcommand("set", "Write one property, then read it back");
    s->add_option("name", set->name, "Property name")->required();
    s->add_option("value", set->value, "New value")->required();
    when_selected(s, set, action, run_set);
}

}  // namespace zcli
