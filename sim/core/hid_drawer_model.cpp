#include "hid_drawer_model.h"

namespace kav::sim {
namespace {

HidStringReply answer(const char* text)
{
    HidStringReply reply;
    reply.answered = true;
    for (int i = 0; text[i] != '\0' && i + 1 < static_cast<int>(sizeof reply.text); ++i) reply.text[i] = text[i];
    return reply;
}

} // namespace

HidStringReply HidDrawerModel::string_request(uint32_t index, uint64_t now_us)
{
    if (kind_ != HidKind::Drawer) return {};
    if (index == kHidOpenString) {
        spring_.pulse(now_us);
        return answer("KAV drawer");
    }
    if (index == kHidStateString) return answer(open(now_us) ? "0" : "1");
    return {};
}

bool HidDrawerModel::open(uint64_t now_us)
{
    spring_.advance(now_us);
    return spring_.open();
}

} // namespace kav::sim
