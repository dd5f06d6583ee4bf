#include "DeadKeyComposer.h"

#include "UTF16.h"
#include "textinput/Diagnostics.h"

#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdio>
#include <cstring>

namespace textinput::detail {

namespace {

constexpr const char* kComposeLocale = "en_US.UTF-8";
constexpr const char* kSystemComposeFile = "/usr/share/X11/locale/en_US.UTF-8/Compose";

}  // namespace

bool isDeadKeysym(std::uint32_t keysym)
{
    char name[64];
    if (xkb_keysym_get_name(keysym, name, sizeof name) <= 0)
        return false;
    return std::strncmp(name, "dead_", 5) == 0;
}

DeadKeyComposer& DeadKeyComposer::shared()
{
    static auto* composer = new DeadKeyComposer;
    return *composer;
}

DeadKeyComposer::DeadKeyComposer()
{
    context_ = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    if (!context_) {
        reportDiagnostic("cannot create an xkb context for dead keys");
        return;
    }
    // The system file itself, so that a user's ~/.XCompose or XCOMPOSEFILE does
    // not change what the layouts type.
    if (FILE* file = std::fopen(kSystemComposeFile, "r")) {
        table_ = xkb_compose_table_new_from_file(context_, file, kComposeLocale, XKB_COMPOSE_FORMAT_TEXT_V1,
                                                 XKB_COMPOSE_COMPILE_NO_FLAGS);
        std::fclose(file);
    }
    if (!table_)
        table_ = xkb_compose_table_new_from_locale(context_, kComposeLocale, XKB_COMPOSE_COMPILE_NO_FLAGS);
    if (!table_)
        reportDiagnostic("no compose table for en_US.UTF-8: dead keys compose nothing");
}

DeadKeyComposer::Result DeadKeyComposer::compose(std::span<const std::uint32_t> keysyms)
{
    Result result;
    if (!table_ || keysyms.empty())
        return result;
    std::lock_guard lock(mutex_);
    xkb_compose_state* state = xkb_compose_state_new(table_, XKB_COMPOSE_STATE_NO_FLAGS);
    if (!state)
        return result;
    xkb_compose_status status = XKB_COMPOSE_NOTHING;
    for (std::uint32_t keysym : keysyms) {
        xkb_compose_state_feed(state, keysym);
        status = xkb_compose_state_get_status(state);
        if (status == XKB_COMPOSE_CANCELLED || status == XKB_COMPOSE_NOTHING)
            break;
    }
    if (status == XKB_COMPOSE_COMPOSED) {
        char buffer[64];
        int length = xkb_compose_state_get_utf8(state, buffer, sizeof buffer);
        if (length > 0 && static_cast<std::size_t>(length) < sizeof buffer) {
            result.status = Status::composed;
            result.text = utf16FromUTF8({buffer, static_cast<std::size_t>(length)});
        }
    } else if (status == XKB_COMPOSE_COMPOSING) {
        result.status = Status::composing;
    }
    xkb_compose_state_unref(state);
    return result;
}

std::u16string DeadKeyComposer::spacingForm(std::uint32_t deadKeysym)
{
    const std::uint32_t sequence[] = {deadKeysym, XKB_KEY_space};
    Result result = compose(sequence);
    return result.status == Status::composed ? result.text : std::u16string();
}

}  // namespace textinput::detail
