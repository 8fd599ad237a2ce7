// Subscriptions: ZEVAHV_Subscribe / ZEVAHV_UnSubscribe through the family
// backends, and the six wrappers that build the item names from a lock
// name, slot, channel and parameter names.
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "frame/dispatch.h"
#include "frame/item_list.h"

using namespace zevahv;

namespace {

constexpr int kBad = ZEVAHV_ERR_INVALIDPARAMETER;

int dispatch_subscription(bool subscribe, int handle, short port, unsigned short count,
                          const char *items, char *results) {
    if (count > 0 && (items == nullptr || results == nullptr)) return kBad;
    // The port travels as a short; ports above 32767 arrive negative.
    const auto client_port = static_cast<unsigned short>(port);
    if (subscribe)
        return dispatch<&FamilyOps::subscribe>(handle, Op::Subscribe, client_port, count, items,
                                               results);
    return dispatch<&FamilyOps::unsubscribe>(handle, Op::UnSubscribe, client_port, count, items,
                                             results);
}

// The lock name of an open slot, read under its slot gate; false if closed.
bool open_lock_name(int handle, std::string *name) {
    SystemSlot &slot = system_slot(handle);
    std::shared_lock<platform::SlotGate> gate(slot.gate);
    std::lock_guard<std::mutex> lk(table_mutex());
    if (slot.state != SlotState::Open) return false;
    *name = slot.lock_name;
    return true;
}

int wrapped(bool subscribe, ItemLevel level, int handle, short port, unsigned slot,
            unsigned channel, const char *names, unsigned count, char *results) {
    if (count == 0 || !valid_handle(handle)) return kBad;
    return guarded([&]() -> int {
        std::string lock_name;
        if (!open_lock_name(handle, &lock_name)) return ZEVAHV_ERR_NOTCONNECTED;
        if (names == nullptr || results == nullptr) return kBad;

        const std::vector<std::string_view> parts = split_names(names);
        // The count and the list must agree: a result byte is written per
        // name, so a count beyond the list would write past the caller's
        // intent and a short count would leave names unanswered.
        if (parts.size() != count || count > 0xFFFF) return kBad;

        const ItemList list = build_item_list(level, lock_name, slot, channel, parts);
        // "KeepAlive" and "LiveInsertion" are always delivered: accepted
        // without asking the backend.
        for (unsigned i = 0; i < count; ++i)
            if (level == ItemLevel::System && always_delivered(parts[i])) results[i] = 0;
        if (list.positions.empty()) return ZEVAHV_OK;

        // The backend answers the items it was given; its answers go back to
        // the positions of their names (bytes it leaves alone stay as they were).
        std::vector<char> answers(list.positions.size());
        for (std::size_t k = 0; k < answers.size(); ++k) answers[k] = results[list.positions[k]];
        const int r = dispatch_subscription(subscribe, handle, port,
                                            static_cast<unsigned short>(answers.size()),
                                            list.text.c_str(), answers.data());
        for (std::size_t k = 0; k < answers.size(); ++k) results[list.positions[k]] = answers[k];
        return r;
    });
}

}  // namespace

extern "C" ZEVAHV_API int ZEVAHV_Subscribe(int handle, short Port, unsigned short paramNum,
                                           const char *paramList, char *listOfResultCodes) {
    return dispatch_subscription(true, handle, Port, paramNum, paramList, listOfResultCodes);
}

extern "C" ZEVAHV_API int ZEVAHV_UnSubscribe(int handle, short Port, unsigned short paramNum,
                                             const char *paramList, char *listOfResultCodes) {
    return dispatch_subscription(false, handle, Port, paramNum, paramList, listOfResultCodes);
}

extern "C" ZEVAHV_API int ZEVAHV_SubscribeSystemParams(int handle, short Port,
                                                       const char *paramNameList,
                                                       unsigned int paramNum,
                                                       char *listOfResultCodes) {
    return wrapped(true, ItemLevel::System, handle, Port, 0, 0, paramNameList, paramNum,
                   listOfResultCodes);
}

extern "C" ZEVAHV_API int ZEVAHV_SubscribeBoardParams(int handle, short Port,
                                                      unsigned short slotIndex,
                                                      const char *paramNameList,
                                                      unsigned int paramNum,
                                                      char *listOfResultCodes) {
    return wrapped(true, ItemLevel::Board, handle, Port, slotIndex, 0, paramNameList, paramNum,
                   listOfResultCodes);
}

extern "C" ZEVAHV_API int ZEVAHV_SubscribeChannelParams(int handle, short Port,
                                                        unsigned short slotIndex,
                                                        unsigned short chanIndex,
                                                        const char *paramNameList,
                                                        unsigned int paramNum,
                                                        char *listOfResultCodes) {
    return wrapped(true, ItemLevel::Channel, handle, Port, slotIndex, chanIndex, paramNameList,
                   paramNum, listOfResultCodes);
}

extern "C" ZEVAHV_API int ZEVAHV_UnSubscribeSystemParams(int handle, short Port,
                                                         const char *paramNameList,
                                                         unsigned int paramNum,
                                                         char *listOfResultCodes) {
    return wrapped(false, ItemLevel::System, handle, Port, 0, 0, paramNameList, paramNum,
                   listOfResultCodes);
}

extern "C" ZEVAHV_API int ZEVAHV_UnSubscribeBoardParams(int handle, short Port,
                                                        unsigned short slotIndex,
                                                        const char *paramNameList,
                                                        unsigned int paramNum,
                                                        char *listOfResultCodes) {
    return wrapped(false, ItemLevel::Board, handle, Port, slotIndex, 0, paramNameList,
                   paramNum, listOfResultCodes);
}

extern "C" ZEVAHV_API int ZEVAHV_UnSubscribeChannelParams(int handle, short Port,
                                                          unsigned short slotIndex,
                                                          unsigned short chanIndex,
                                                          const char *paramNameList,
                                                          unsigned int paramNum,
                                                          char *listOfResultCodes) {
    return wrapped(false, ItemLevel::Channel, handle, Port, slotIndex, chanIndex,
                   paramNameList, paramNum, listOfResultCodes);
}
