#pragma once
// JSON documents keep their keys in the order written, so that output reads
// as it was laid out.
#include <nlohmann/json.hpp>

namespace zcli {
using Json = nlohmann::ordered_json;
}
