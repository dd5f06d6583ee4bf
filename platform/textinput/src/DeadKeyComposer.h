#pragma once

// Composition of dead keys with the keys after them, through xkb's compose
// table of the en_US.UTF-8 locale (the system's Compose file, not the user's).

#include <cstdint>
#include <mutex>
#include <span>
#include <string>

struct xkb_context;
struct xkb_compose_table;

namespace textinput::detail {

bool isDeadKeysym(std::uint32_t keysym);

class DeadKeyComposer {
public:
    enum class Status { composed, composing, cancelled };
    struct Result {
        Status status = Status::cancelled;
        std::u16string text;  // set when composed
    };

    // Loaded on first use; never released. Any thread.
    static DeadKeyComposer& shared();

    bool isAvailable() const { return table_ != nullptr; }
    // Feeds the keysyms in order to a fresh compose state.
    Result compose(std::span<const std::uint32_t> keysyms);
    // What a dead key types on its own: its composition with space (the empty
    // string when the table has none).
    std::u16string spacingForm(std::uint32_t deadKeysym);

private:
    DeadKeyComposer();

    // xkb's compose states take references on the table without atomics.
    std::mutex mutex_;
    xkb_context* context_ = nullptr;
    xkb_compose_table* table_ = nullptr;
};

}  // namespace textinput::detail
