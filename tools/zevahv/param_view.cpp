#include "param_view.h"

#include <algorithm>

#include "ZEVAHVLink.h"
#include "values.h"

namespace zcli {

namespace {

// Limits of numeric parameters with their decimals, of choices as indexes.
std::string limit(const ParamInfo& p, const std::optional<float>& v) {
    if (!v) return "";
    if (p.type == ZEVAHV_PARAM_TYPE_ENUM) return std::to_string(static_cast<long>(*v));
    return number_text(*v, p.decimals);
}

}  // namespace

std::string choices_text(const ParamInfo& p) {
    if (p.type == ZEVAHV_PARAM_TYPE_ONOFF && (!p.on_text.empty() || !p.off_text.empty()))
        return p.on_text + " / " + p.off_text;
    std::string out;
    if (p.type == ZEVAHV_PARAM_TYPE_ENUM) {
        unsigned first = p.min ? static_cast<unsigned>(std::max(0.0f, *p.min)) : 0;
        for (size_t k = 0; k < p.choices.size(); ++k)
            out += (out.empty() ? "" : "  ") + std::to_string(first + k) + "=" + p.choices[k];
    }
    return out;
}

std::vector<std::string> param_header() {
    return {"name", "type", "mode", "unit", "min", "max", "decimals", "states / choices"};
}

std::vector<std::string> param_row(const ParamInfo& p) {
    bool numeric = p.type == ZEVAHV_PARAM_TYPE_NUMERIC;
    return {p.name,
            type_word(p.type),
            mode_word(p.mode),
            unit_text(p.unit, p.exp),
            limit(p, p.min),
            limit(p, p.max),
            numeric && p.decimals ? std::to_string(*p.decimals) : "",
            choices_text(p)};
}

Json param_json(const ParamInfo& p) {
    Json j = {{"name", p.name},
                        {"level", p.board ? "board" : "channel"},
                        {"type", type_word(p.type)},
                        {"type_code", p.type},
                        {"mode", mode_word(p.mode)},
                        {"mode_code", p.mode}};
    if (p.type == ZEVAHV_PARAM_TYPE_NUMERIC || p.type == ZEVAHV_PARAM_TYPE_ENUM) {
        j["unit"] = unit_text(p.unit, p.exp);
        j["unit_code"] = p.unit;
        j["exp"] = p.exp;
        j["min"] = p.min ? Json(*p.min) : Json(nullptr);
        j["max"] = p.max ? Json(*p.max) : Json(nullptr);
    }
    if (p.type == ZEVAHV_PARAM_TYPE_NUMERIC)
        j["decimals"] = p.decimals ? Json(*p.decimals) : Json(nullptr);
    if (p.type == ZEVAHV_PARAM_TYPE_ONOFF) {
        j["on"] = p.on_text;
        j["off"] = p.off_text;
    }
    if (p.type == ZEVAHV_PARAM_TYPE_ENUM) j["choices"] = p.choices;
    return j;
}

}  // namespace zcli
