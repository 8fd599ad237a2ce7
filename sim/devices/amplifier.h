#pragma once
// The sixteen-channel amplifier modules (P731X, Q2904, Q2906) keep what
// they are told: every value is a number, on/off switches and enumerations
// are answered as their state or index. Each family is a table; the P731X
// adds the "last channel" register of its multiplexed monitor output.

#include <memory>

#include "model/device.h"

namespace sim {

constexpr int kAmplifierChannels = 16;

// The identification and board rows every amplifier answers.
ParamTable amplifier_identification();

const ParamTable& p731x_table();
const ParamTable& q2904_table();
const ParamTable& q2906_table();

std::unique_ptr<Device> make_p731x();
std::unique_ptr<Device> make_q2904();
std::unique_ptr<Device> make_q2906();

} // namespace sim
