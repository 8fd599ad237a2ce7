// info: the crate map, the system properties with their values and the
// commands of the system.
#include <CLI/CLI.hpp>

#include <iostream>

#include "ZEVAHVLink.h"
#include "catalog.h"
#include "commands.h"
#include "failure.h"
#include "names.h"
#include "output.h"
#include "sysprops.h"
#include "system.h"

namespace zcli {

namespace {

std::string firmware(const Slot& s) {
    return std::to_string(s.fw_major) + "." + std::to_string(s.fw_minor);
}

Json slot_json(const Slot& s) {
    return {{"slot", s.index},        {"present", s.present()},   {"model", s.model},
            {"description", s.description}, {"serial", s.serial}, {"firmware", firmware(s)},
            {"channels", s.channels}};
}

// A property's value, or why it could not be read; a refusal of one
// property does not spoil the rest of the listing.
Json property_json(const System& sys, const SysProp& p) {
    Json j = {{"name", p.name},
                        {"mode", mode_word(p.mode)},
                        {"type", sysprop_type_word(p.type)}};
    if (p.mode == ZEVAHV_SYSPROP_MODE_WRONLY) return j;
    try {
        Shown v = read_sysprop(sys, p);
        j["value"] = v.value;
        j["text"] = v.text;
    } catch (const Failure& f) {
        j["error"] = with_code(f.what(), f.code());
    }
    return j;
}

int run_info(const System& sys, const Globals& g) {
    std::vector<Slot> map = crate_map(sys);
    Json props = Json::array();
    for (const auto& name : sysprop_names(sys)) props.push_back(property_json(sys, sysprop_info(sys, name)));
    std::vector<std::string> commands = command_names(sys);

    const SystemSpec& spec = sys.spec();
    if (g.json) {
        Json doc = {
            {"system",
             {{"type", system_type_name(spec.type)},
              {"type_code", spec.type},
              {"link", link_type_name(spec.link)},
              {"link_code", spec.link},
              {"address", spec.address}}},
            {"library", ZEVAHVLibSwRel()},
            {"slots", Json::array()},
            {"properties", props},
            {"commands", commands}};
        for (const auto& s : map) doc["slots"].push_back(slot_json(s));
        print_json(doc);
        return kExitOk;
    }

    std::cout << spec.label() << " (link " << link_type_name(spec.link) << ", library "
              << ZEVAHVLibSwRel() << ")\n\n";
    Table slots({"slot", "model", "description", "serial", "firmware", "channels"});
    for (const auto& s : map) {
        if (s.present())
            slots.add({std::to_string(s.index), s.model, s.description, std::to_string(s.serial),
                       firmware(s), std::to_string(s.channels)});
        else
            slots.add({std::to_string(s.index), "(empty)"});
    }
    slots.print(std::cout);

    std::cout << "\nsystem properties:";
    if (props.empty()) {
        std::cout << " none\n";
    } else {
        std::cout << '\n';
        Table t({"name", "mode", "type", "value"});
        for (const auto& p : props) {
            std::string value = p.contains("text")    ? p["text"].get<std::string>()
                                : p.contains("error") ? "? " + p["error"].get<std::string>()
                                                      : "";
            t.add({p["name"], p["mode"], p["type"], value});
        }
        t.print(std::cout, "  ");
    }
    std::cout << "\ncommands:";
    if (commands.empty()) std::cout << " none";
    for (const auto& c : commands) std::cout << ' ' << c;
    std::cout << '\n';
    return kExitOk;
}

}  // namespace

void add_info(CLI::App& app, Action& action) {
    CLI::App* sub = app.add_subcommand("info", "The crate map, the system properties and the commands");
    sub->footer(footer(R"HELP(The crate map lists each slot with its model, description, serial number,
firmware release and channel count; empty slots show as "(empty)".

Examples:
  zevahv --system p731x --address 127.0.0.1:47001_0 info
  zevahv --system kr2440 --address 127.0.0.2 --user admin --password secret info --json)HELP"));
    sub->callback([&action] { action = run_info; });
}

}  // namespace zcli
