#pragma once
// The status codes and texts the simulated crate answers with. They are of
// the client library's result-code vocabulary, so that a client shows a
// refusal of the server as it would show its own.

#include <cstdint>

namespace sim::mf {

constexpr uint16_t kStatusOk = 0;
constexpr uint16_t kStatusEventConnect = 2;    // the client's event port refused
constexpr uint16_t kStatusNotSupported = 6;    // unknown command, or the other generation's
constexpr uint16_t kStatusSlotAbsent = 7;
constexpr uint16_t kStatusOutOfRange = 10;
constexpr uint16_t kStatusReadOnly = 18;
constexpr uint16_t kStatusConfigChanged = 20;
constexpr uint16_t kStatusParamNotFound = 22;
constexpr uint16_t kStatusTooManySessions = 25;
constexpr uint16_t kStatusBadRequest = 26;
constexpr uint16_t kStatusNotLoggedIn = 4098;
constexpr uint16_t kStatusLoginRefused = 4103;

constexpr const char* kTextOk = "ok";
constexpr const char* kTextNotSupported = "Command not supported";
constexpr const char* kTextSlotAbsent = "Slot NOT Present";
constexpr const char* kTextOutOfRange = "Value out of range";
constexpr const char* kTextReadOnly = "Param is read only";
constexpr const char* kTextNoWriteAccess = "User has no write access";
constexpr const char* kTextConfigChanged = "System configuration is change";
constexpr const char* kTextParamNotFound = "Param Not Found";
constexpr const char* kTextTooManySessions = "Too many sessions";
constexpr const char* kTextBadRequest = "Malformed request";
constexpr const char* kTextOutOfSequence = "Command out of sequence";
constexpr const char* kTextNotLoggedIn = "Session not logged in";
constexpr const char* kTextLoginRefused = "Wrong user name or password";
constexpr const char* kTextNameTooLong = "Channel name longer than 11 characters";

} // namespace sim::mf
