#pragma once
// A parameter's description as a table row and as JSON, shared by params
// and the listings of other commands.

#include "json.h"

#include <string>
#include <vector>

#include "catalog.h"

namespace zcli {

std::vector<std::string> param_header();
std::vector<std::string> param_row(const ParamInfo& p);
Json param_json(const ParamInfo& p);

// "En / Dis" for two states, "0=1 1=2 2=4" for choices; empty otherwise.
std::string choices_text(const ParamInfo& p);

}  // namespace zcli
